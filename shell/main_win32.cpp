// Process start to process exit: prepare the window system, show the main
// window, run the message loop, then the end sequence.
#include <ole2.h>
#include <windows.h>

#include <string>

#include "common/fatal.h"
#include "shell/handlers.h"
#include "shell/main_window_units.h"
#include "shell/resource_ids.h"
#include "shell/window_system_win32.h"

#if TARNVEX_HAVE_SKIN_INSTALL
#include "shell/outside_calls.h"
#include "shell/skin_install.h"
#endif

namespace {

bool g_ole_initialized = false;

// Lets the skin engine undo its work, releases the libraries loaded for outside
// calls, then OLE. Runs at the normal end and, through the fatal-error path
// (windows still alive), before exit code -1.
void end_sequence() {
#if TARNVEX_HAVE_SKIN_INSTALL
  detach_skin();
  release_outside_libraries();
#endif
  if (g_ole_initialized) {
    g_ole_initialized = false;
    OleUninitialize();
  }
}

// The program directory becomes the current directory before any file work.
void enter_program_directory() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return;
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  const auto last_backslash = path.find_last_of(L'\\');
  if (last_backslash == std::wstring::npos) return;
  std::wstring directory = path.substr(0, last_backslash);
  // "C:" alone would mean that drive's current directory, not its root.
  if (directory.size() == 2 && directory[1] == L':') directory += L'\\';
  SetCurrentDirectoryW(directory.c_str());
}

int start_routine() {
  load_window(main_window::kWindow, nullptr, false);
  return 0;
}

int program_entry() {
  set_fatal_cleanup(end_sequence);
  g_ole_initialized = SUCCEEDED(OleInitialize(nullptr));
  enter_program_directory();
  // The outside-call table binds each entry at its first call: nothing to do here.
  window_system_start(layout_block_resource(GetModuleHandleW(nullptr), TARNVEX_RCDATA_LAYOUT),
                      program_handlers());
  start_routine();
  run_message_loop();
  end_sequence();
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return program_entry(); }
