// The main window's rectangles at 96 DPI, read from the window's own
// description (shell/main_window.cpp), the one table of them.
#pragma once

#include <cstdint>

#include "shell/main_window.h"

struct UnitRect {
  std::int32_t left = 0, top = 0, width = 0, height = 0;
};

// The window itself for main_window::kWindowUnit; an empty rectangle for an unknown unit.
inline UnitRect main_window_rect(std::uint32_t unit_id) {
  static const layout::WindowLayout window = main_window_layout({});
  const layout::UnitRecord* unit = window.find_unit(unit_id);
  return unit ? UnitRect{unit->left, unit->top, unit->width, unit->height} : UnitRect{};
}
