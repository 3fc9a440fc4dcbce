// The floor for bench/startup: a bare Win32 window of the main window's size
// and styles, shown at once, then a message loop until it is closed.
#include <windows.h>

#include "bench/floor_window_win32.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  return run_floor_window(instance, L"TarnvexBareWindow");
}
