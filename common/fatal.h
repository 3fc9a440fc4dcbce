// The program's fatal errors: a failed memory request, a list subscript out of
// range. Each shows one message and ends the
// process with exit code -1 after the end sequence has run.
#pragma once

#include <cstdint>
#include <optional>

#include "common/text.h"

// "运行时出错!\r\n\r\n", then the code and the message when there are any.
Text fatal_message_text(std::optional<std::int32_t> code, const Text& message);
// "分配 %d 字节内存失败!"
Text allocation_failure_message(std::int64_t byte_count);
Text list_subscript_message(std::int32_t index, std::int32_t count);

// The end sequence (release outside libraries, OLE) that must run before a fatal exit.
void set_fatal_cleanup(void (*cleanup)());

[[noreturn]] void fatal_error(std::optional<std::int32_t> code, const Text& message);

// Ends the process at once with `exit_code`, after the registered cleanup: for
// a program whose user has gone while it waits on something that cannot be
// stopped.
[[noreturn]] void end_process(int exit_code);

// Shared by the platform implementations of fatal_error: runs the registered
// cleanup once (a fatal error inside it must not loop).
void run_fatal_cleanup();
