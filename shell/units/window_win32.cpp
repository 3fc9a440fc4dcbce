#include "shell/units/unit_win32.h"

namespace units {

WindowStyles window_styles(const layout::WindowData& d) {
  WindowStyles s;
  switch (d.border_style) {
    case 0:
      s.style = WS_POPUP;
      break;
    case 1:
    case 3:
    case 5:
      s.style = WS_OVERLAPPED | WS_CAPTION | WS_THICKFRAME;
      break;
    default:
      s.style = WS_OVERLAPPED | WS_CAPTION;
      break;
  }
  if (d.border_style == 3 || d.border_style == 4) s.ex_style |= WS_EX_TOOLWINDOW;
  if (d.border_style == 5 || d.border_style == 6) s.ex_style |= WS_EX_CLIENTEDGE;
  if (d.border_style != 0) {
    if (d.control_box) s.style |= WS_SYSMENU;
    if (d.minimize_box) s.style |= WS_MINIMIZEBOX;
    if (d.maximize_box) s.style |= WS_MAXIMIZEBOX;
  }
  if (d.always_on_top == 1) s.ex_style |= WS_EX_TOPMOST;
  s.style |= WS_CLIPCHILDREN;
  return s;
}

}  // namespace units
