// The second floor for bench/startup: the bare window (bare_window_win32.cpp)
// plus the platform work the program cannot leave out before its window shows,
// in the program's order: the library search restricted, OLE initialised, the
// program's folder made the current directory, comctl32 6 through the same
// manifest as the program (platform_window.rc) with InitCommonControlsEx, and
// oleaut32 imported as the program imports it. Everything after that is ours.
#include <ole2.h>
#include <windows.h>
// After windows.h.
#include <commctrl.h>
#include <oleauto.h>

#include <string>

namespace {

LRESULT CALLBACK platform_window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

void enter_program_directory() {
  std::wstring path(MAX_PATH, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  path.resize(length);
  const auto last_backslash = path.find_last_of(L'\\');
  if (last_backslash == std::wstring::npos) return;
  path.resize(last_backslash);
  SetCurrentDirectoryW(path.c_str());
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_APPLICATION_DIR);
  const bool ole = SUCCEEDED(OleInitialize(nullptr));
  enter_program_directory();
  // The program imports oleaut32 (its picture decoding): so does the floor.
  SysFreeString(nullptr);
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = platform_window_procedure;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = L"TarnvexPlatformWindow";
  if (!RegisterClassExW(&window_class)) return 1;
  constexpr int kWidth = 436;
  constexpr int kHeight = 231;
  const int left = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
  HWND window = CreateWindowExW(0, window_class.lpszClassName, L"  Tarnvex",
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
  if (ole) OleUninitialize();
  return 0;
}
