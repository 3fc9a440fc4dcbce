#include <windows.h>

#include "common/fatal.h"
#include "common/message_box.h"

void fatal_error(std::optional<std::int32_t> code, const Text& message) {
  show_message(fatal_message_text(code, message));
  end_process(-1);
}

void end_process(int exit_code) {
  run_fatal_cleanup();
  ExitProcess(static_cast<UINT>(exit_code));
}
