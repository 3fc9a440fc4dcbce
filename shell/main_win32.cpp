// Process start to process exit: prepare the window system, show the main
// window, run the message loop, then the end sequence.
#include <windows.h>

#include "common/fatal.h"
#include "extract/main_window_units.h"
#include "common/win32/module.h"
#include "shell/handlers.h"
#include "shell/process_win32.h"
#include "shell/resource_ids.h"
#include "shell/window_system_win32.h"

namespace {

constexpr char kNoMainWindow[] =
    "\xCE\xDE\xB7\xA8\xB4\xB4\xBD\xA8\xD6\xF7\xB4\xB0\xBF\xDA";  // 无法创建主窗口

int start_routine() {
  load_window(main_window::kWindow, nullptr, false);
  return 0;
}

int program_entry() {
  prepare_process();
  // The outside-call table binds each entry at its first call: nothing to do here.
  const auto layout = rcdata_resource(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(TARNVEX_RCDATA_LAYOUT));
  const bool started =
      window_system_start(ByteSet(layout.begin(), layout.end()), program_handlers(), program_keys());
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
