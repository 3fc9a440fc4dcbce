// Asks for more memory than there is, in a process of its own, so a test can
// watch the fatal error: one message box, the end sequence, exit code -1.
// Usage: fatal_probe MARKER_FILE (the end sequence creates it)
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstddef>

#include "common/fatal.h"

namespace {

const wchar_t* g_marker = nullptr;

void end_sequence() {
  HANDLE file =
      CreateFileW(g_marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (count < 2) return 2;
  g_marker = arguments[1];
  set_fatal_cleanup(end_sequence);
  volatile std::size_t size = std::size_t{1} << 62;
  // Called directly: a new-expression whose result goes unused may be left out.
  void* memory = ::operator new(size);
  ::operator delete(memory);
  return 0;
}
