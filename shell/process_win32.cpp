#include "shell/process_win32.h"

#include <ole2.h>
#include <windows.h>

#include <string>

#include "common/fatal.h"
#include "common/win32/module.h"
#include "shell/outside_calls.h"
#include "shell/skin_install.h"

namespace {

bool g_ole_initialized = false;

// The program directory becomes the current directory before any file work.
void enter_program_directory() {
  std::wstring directory = program_folder();
  if (directory.empty()) return;
  // "C:" alone would mean that drive's current directory, not its root.
  if (directory.size() == 2 && directory[1] == L':') directory += L'\\';
  SetCurrentDirectoryW(directory.c_str());
}

}  // namespace

void prepare_process() {
  // Before anything loads a library: never from the current directory or PATH.
  restrict_library_search();
  set_fatal_cleanup(end_sequence);
  g_ole_initialized = SUCCEEDED(OleInitialize(nullptr));
  enter_program_directory();
}

void end_sequence() {
  detach_skin();
  release_outside_libraries();
  if (g_ole_initialized) {
    g_ole_initialized = false;
    OleUninitialize();
  }
}
