// Global memory, the form the clipboard and OLE streams take: one HGLOBAL owner
// and its lock.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstring>

#include "common/win32/handle.h"

struct GlobalMemoryTraits {
  using Type = HGLOBAL;
  static Type empty() { return nullptr; }
  static bool valid(Type memory) { return memory != nullptr; }
  static void close(Type memory) { GlobalFree(memory); }
};
// Freed unless handed on with release() (SetClipboardData takes ownership only on success).
using GlobalMemory = Owned<GlobalMemoryTraits>;

// The block's bytes, locked for as long as this lives (a movable block has no
// address otherwise).
class GlobalLockScope {
 public:
  explicit GlobalLockScope(HGLOBAL memory)
      : memory_(memory), bytes_(memory != nullptr ? GlobalLock(memory) : nullptr) {}
  ~GlobalLockScope() {
    if (bytes_ != nullptr) GlobalUnlock(memory_);
  }
  GlobalLockScope(const GlobalLockScope&) = delete;
  GlobalLockScope& operator=(const GlobalLockScope&) = delete;

  void* bytes() const { return bytes_; }

 private:
  HGLOBAL memory_;
  void* bytes_;
};

// A movable block holding a copy of `size` bytes; empty when memory ran out.
inline GlobalMemory global_memory_of(const void* bytes, std::size_t size) {
  GlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size));
  if (!memory) return memory;
  const GlobalLockScope lock(memory.get());
  if (lock.bytes() == nullptr) return GlobalMemory();
  if (size != 0) std::memcpy(lock.bytes(), bytes, size);
  return memory;
}
