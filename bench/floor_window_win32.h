// The window both start-up floors show: the main window's size and styles
// (436 x 231, centred, caption, system menu, minimise box), shown at once, then
// a message loop until it is closed. Returns the exit code.
#pragma once

#include <windows.h>

// What a floor draws in its client area besides the background; null: nothing.
inline void (*floor_paint)(HDC) = nullptr;

inline LRESULT CALLBACK floor_window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_PAINT && floor_paint) {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(window, &paint);
    floor_paint(dc);
    EndPaint(window, &paint);
    return 0;
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

inline int run_floor_window(HINSTANCE instance, const wchar_t* class_name) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = floor_window_procedure;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = class_name;
  if (!RegisterClassExW(&window_class)) return 1;
  constexpr int kWidth = 436;
  constexpr int kHeight = 231;
  const int left = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
  HWND window = CreateWindowExW(0, class_name, L"  Tarnvex",
                                WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN,
                                left, top, kWidth, kHeight, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
