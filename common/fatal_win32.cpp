#include <windows.h>

#include "common/fatal.h"
#include "common/message_box.h"

void fatal_error(std::optional<std::int32_t> code, const Text& message) {
  show_message(fatal_message_text(code, message));
  run_fatal_cleanup();
  ExitProcess(static_cast<UINT>(-1));
}
