// A failed memory request ends the program with "分配 %d 字节内存失败!" and
// exit code -1 instead of an exception nobody catches.
#include <cstdlib>
#include <new>
#include <optional>

#include "common/fatal.h"

namespace {

[[noreturn]] void allocation_failed(std::size_t size) {
  static bool reporting = false;
  // Building the message needs memory too: a second failure ends at once.
  if (reporting) std::_Exit(-1);
  reporting = true;
  fatal_error(std::nullopt, allocation_failure_message(static_cast<std::int64_t>(size)));
}

void* allocate(std::size_t size) {
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  allocation_failed(size);
}

}  // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
