#include "common/win32/clipboard.h"

#include "common/win32/memory.h"

ClipboardScope::ClipboardScope(HWND owner, DWORD patience_ms) : open_(OpenClipboard(owner) != FALSE) {
  constexpr DWORD kRetryMs = 10;
  const ULONGLONG deadline = GetTickCount64() + patience_ms;
  while (!open_ && GetTickCount64() < deadline) {
    Sleep(kRetryMs);
    open_ = OpenClipboard(owner) != FALSE;
  }
}

ClipboardScope::~ClipboardScope() {
  if (open_) CloseClipboard();
}

bool place_on_clipboard(UINT format, const void* bytes, std::size_t size) {
  GlobalMemory memory = global_memory_of(bytes, size);
  if (!memory) return false;
  // The clipboard owns the block only once the call succeeds.
  if (SetClipboardData(format, memory.get()) == nullptr) return false;
  memory.release();
  return true;
}
