// The real window behind a unit, for the calls that need one (the clipboard's
// owner). Implemented by the window system, like common/units.h.
#pragma once

#include <windows.h>

#include <cstdint>

// The window itself for its own unit or window id; nullptr when it does not exist.
HWND unit_window(std::uint32_t window_id, std::uint32_t unit_id);
