#include "common/fatal.h"

#include <string>

namespace {

void (*g_cleanup)() = nullptr;

constexpr char kRuntimeError[] = "\xD4\xCB\xD0\xD0\xCA\xB1\xB3\xF6\xB4\xED!\r\n\r\n";  // 运行时出错!\r\n\r\n
constexpr char kErrorCode[] = "\xB4\xED\xCE\xF3\xB4\xFA\xC2\xEB\xA3\xBA";              // 错误代码：
constexpr char kErrorMessage[] = "\xB4\xED\xCE\xF3\xD0\xC5\xCF\xA2\xA3\xBA";           // 错误信息：
constexpr char kAllocPrefix[] = "\xB7\xD6\xC5\xE4 ";                                   // 分配
constexpr char kAllocSuffix[] = " \xD7\xD6\xBD\xDA\xC4\xDA\xB4\xE6\xCA\xA7\xB0\xDC!";  // 字节内存失败!
constexpr char kSubscriptPrefix[] =
    "\xCF\xC2\xB1\xEA\xB3\xAC\xB3\xF6\xB7\xB6\xCE\xA7\xA3\xBA";  // 下标超出范围：

}  // namespace

Text fatal_message_text(std::optional<std::int32_t> code, const Text& message) {
  Text text = kRuntimeError;
  if (code) text += Text(kErrorCode) + Text(std::to_string(*code)) + "\r\n\r\n";
  if (!message.empty()) text += Text(kErrorMessage) + message + "\r\n";
  return text;
}

Text allocation_failure_message(std::int64_t byte_count) {
  return Text(kAllocPrefix) + Text(std::to_string(byte_count)) + kAllocSuffix;
}

Text list_subscript_message(std::int32_t index, std::int32_t count) {
  return Text(kSubscriptPrefix) + Text(std::to_string(index)) + " (1 - " + Text(std::to_string(count)) + ")";
}

void set_fatal_cleanup(void (*cleanup)()) { g_cleanup = cleanup; }

void run_fatal_cleanup() {
  if (auto cleanup = g_cleanup) {
    g_cleanup = nullptr;
    cleanup();
  }
}
