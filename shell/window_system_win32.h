// The window system: turns a layout block into real windows, dispatches unit
// events to the program's handlers, and lets handlers read and change units.
// One GUI thread; every call here runs on it.
//
// Handlers reach units through common/units.h (read and write of a property by
// index) and common/units_win32.h (the real window of a unit), implemented here.
#pragma once

#include <windows.h>

#include <cstdint>

#include "common/text.h"
#include "common/units.h"
#include "common/units_win32.h"
#include "shell/event_handler.h"
#include "shell/layout_block.h"

// Takes the layout block, the handler table the layout's handler indices
// refer to and what the keys do in the block's window. False when the block
// is malformed.
bool window_system_start(const ByteSet& block, HandlerTable handlers, const WindowKeys& keys = {});

// Builds the window `window_id` from the layout: the window, then every unit,
// then its event 0, then the focus to its first unit (WindowKeys). With `modal` the parent is disabled and
// the call returns when the window is closed; otherwise at once. False when the layout has no such window or
// the window cannot be created.
bool load_window(std::uint32_t window_id, HWND parent, bool modal);

// Pumps messages until the last window of the program is gone (or a WM_QUIT
// arrives). Returns at once when no window exists.
void run_message_loop();
