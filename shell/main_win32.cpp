// Process start to process exit: prepare the window system, show the main
// window, run the message loop, then the end sequence.
#include <ole2.h>
#include <windows.h>

#include <string>

#include "common/fatal.h"
#include "common/main_window_units.h"
#include "common/win32/module.h"
#include "shell/handlers.h"
#include "shell/outside_calls.h"
#include "shell/resource_ids.h"
#include "shell/skin_install.h"
#include "shell/window_system_win32.h"

namespace {

constexpr char kNoMainWindow[] =
    "\xCE\xDE\xB7\xA8\xB4\xB4\xBD\xA8\xD6\xF7\xB4\xB0\xBF\xDA";  // 无法创建主窗口

bool g_ole_initialized = false;

// Lets the skin engine undo its work, releases the libraries loaded for outside
// calls, then OLE. Runs at the normal end and, through the fatal-error path
// (windows still alive), before exit code -1.
void end_sequence() {
  detach_skin();
  release_outside_libraries();
  if (g_ole_initialized) {
    g_ole_initialized = false;
    OleUninitialize();
  }
}

// The program directory becomes the current directory before any file work.
void enter_program_directory() {
  std::wstring directory = program_folder();
  if (directory.empty()) return;
  // "C:" alone would mean that drive's current directory, not its root.
  if (directory.size() == 2 && directory[1] == L':') directory += L'\\';
  SetCurrentDirectoryW(directory.c_str());
}

int start_routine() {
  load_window(main_window::kWindow, nullptr, false);
  return 0;
}

int program_entry() {
  // Before anything loads a library: never from the current directory or PATH.
  restrict_library_search();
  set_fatal_cleanup(end_sequence);
  g_ole_initialized = SUCCEEDED(OleInitialize(nullptr));
  enter_program_directory();
  // The outside-call table binds each entry at its first call: nothing to do here.
  const auto layout = rcdata_resource(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(TARNVEX_RCDATA_LAYOUT));
  const bool started = window_system_start(ByteSet(layout.begin(), layout.end()), program_handlers());
  start_routine();
  // A program whose window could not be built (a damaged layout, a refused
  // CreateWindowExW) has nothing to show: it says so and fails.
  if (!started || unit_window(main_window::kWindow, main_window::kWindow) == nullptr) {
    fatal_error(std::nullopt, kNoMainWindow);
  }
  run_message_loop();
  end_sequence();
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return program_entry(); }
