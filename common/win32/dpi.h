// The DPI a window is shown at. user32's per-monitor entries are looked up at
// run time, so the program and the skin engine still load where they are
// missing; there the screen's DPI stands for every window's.
#pragma once

#include <windows.h>

#include "common/win32/gdi.h"

// An entry of user32 that older systems lack; null there.
template <typename Function>
Function* user32_entry(const char* name) {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  FARPROC address = user32 ? GetProcAddress(user32, name) : nullptr;
  return reinterpret_cast<Function*>(reinterpret_cast<void*>(address));
}

inline UINT screen_dpi() {
  WindowDc screen(nullptr);
  const int dpi = screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

inline UINT window_dpi(HWND window) {
  static auto* const get_dpi_for_window = user32_entry<UINT WINAPI(HWND)>("GetDpiForWindow");
  const UINT dpi = get_dpi_for_window && window ? get_dpi_for_window(window) : 0;
  return dpi != 0 ? dpi : screen_dpi();
}
