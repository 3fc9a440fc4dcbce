// Runs into one of the program's fatal errors in a process of its own, so a
// test can watch it from outside: one message box, the end sequence, exit code -1.
// Usage: fatal_probe allocation|list-index MARKER_FILE
// (the end sequence creates MARKER_FILE)
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstddef>
#include <string>

#include "common/fatal.h"
#include "common/text.h"
#include "common/text_array.h"

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
  if (count < 3) return 2;
  const std::wstring mode = arguments[1];
  g_marker = arguments[2];
  set_fatal_cleanup(end_sequence);
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
