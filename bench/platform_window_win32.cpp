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

#include "bench/floor_window_win32.h"

namespace {

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

  const int exit_code = run_floor_window(instance, L"TarnvexPlatformWindow");
  if (ole) OleUninitialize();
  return exit_code;
}
