// Host (Linux) build: the fatal message goes to stderr.
#include <cstdio>
#include <cstdlib>

#include "common/fatal.h"

void fatal_error(std::optional<std::int32_t> code, const Text& message) {
  const Text text = fatal_message_text(code, message);
  std::fwrite(text.c_str(), 1, static_cast<std::size_t>(text.length()), stderr);
  std::fflush(stderr);
  end_process(-1);
}

void end_process(int exit_code) {
  run_fatal_cleanup();
  std::_Exit(exit_code);
}
