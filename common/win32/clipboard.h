// The clipboard: opened for as long as an owner lives, and blocks placed on it.
#pragma once

#include <windows.h>

#include <cstddef>

class ClipboardScope {
 public:
  // `owner` becomes the clipboard's owner at EmptyClipboard; it must be a real
  // window, since with no owner SetClipboardData fails after EmptyClipboard.
  // While another program holds the clipboard, opening is tried again for up
  // to `patience_ms`.
  explicit ClipboardScope(HWND owner, DWORD patience_ms = 0);
  ~ClipboardScope();
  ClipboardScope(const ClipboardScope&) = delete;
  ClipboardScope& operator=(const ClipboardScope&) = delete;

  bool is_open() const { return open_; }

 private:
  bool open_;
};

// Puts a copy of `size` bytes on the open clipboard in `format`; false when
// memory ran out or the clipboard refused it.
bool place_on_clipboard(UINT format, const void* bytes, std::size_t size);
