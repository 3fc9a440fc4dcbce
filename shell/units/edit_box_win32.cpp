#include <algorithm>

#include "shell/units/unit_win32.h"

namespace units {

// A single-line edit box must fit its font's text and the edges.
int edit_height(HWND control, const Unit& unit, int height) {
  WindowDc dc(control);
  SelectedObject font(dc.get(), unit_font(unit));
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc.get(), &metrics);
  const int needed = metrics.tmHeight + 2 * GetSystemMetrics(SM_CYEDGE);
  return std::max(height, static_cast<int>(needed));
}

}  // namespace units
