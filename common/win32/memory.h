// Global memory, the form the clipboard and OLE streams take: the HGLOBAL
// owner, its lock, and a block filled from bytes.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstring>

#include "common/win32/handle.h"

// Freed unless handed on with release() (SetClipboardData takes a block only
// when it succeeds).
using GlobalMemory = Owned<HGLOBAL, &GlobalFree>;

// Runs `use` on the block's bytes while it is locked (a movable block has no
// address otherwise); false, without the call, when it cannot be locked.
template <typename Use>
bool with_locked(HGLOBAL memory, Use use) {
  void* bytes = memory != nullptr ? GlobalLock(memory) : nullptr;
  if (bytes == nullptr) return false;
  use(bytes);
  GlobalUnlock(memory);
  return true;
}

// A movable block holding a copy of `size` bytes; empty when memory ran out.
inline GlobalMemory global_memory_of(const void* bytes, std::size_t size) {
  GlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size));
  const bool filled = with_locked(memory.get(), [&](void* target) {
    if (size != 0) std::memcpy(target, bytes, size);
  });
  return filled ? std::move(memory) : GlobalMemory();
}
