// Runs into one of the program's fatal errors in a process of its own, so a
// test can watch it from outside: one message box, the end sequence, exit code -1.
// The process is prepared as the program prepares itself and the skin attached as
// the main window's created handler attaches it, so the clean-up that runs is
// the one the program registers, with an engine to detach and free.
// Usage: fatal_probe allocation|list-index
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstddef>
#include <string>

#include "common/text.h"
#include "common/text_array.h"
#include "shell/process_win32.h"
#include "shell/skin_install.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (count < 2) return 2;
  const std::wstring mode = arguments[1];
  prepare_process();
  install_skin();
  if (mode == L"allocation") {
    volatile std::size_t size = std::size_t{1} << 62;
    // Called directly: a new-expression whose result goes unused may be left out.
    void* memory = ::operator new(size);
    ::operator delete(memory);
  } else if (mode == L"list-index") {
    const TextArray list{"a"};
    static_cast<void>(list[2]);
  }
  return 3;  // no fatal error happened
}
