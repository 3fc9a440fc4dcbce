// A window's text, read whole: the window system's units and the skin engine's
// buttons paint it.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>

inline std::wstring window_text(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(std::max(0, length)) + 1, L'\0');
  const int copied = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(std::max(0, copied)));
  return text;
}
