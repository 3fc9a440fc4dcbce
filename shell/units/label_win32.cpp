#include <string>

#include "common/codepage_win32.h"
#include "shell/units/unit_win32.h"

namespace units {

void paint_label(HWND window, const Unit& unit, const layout::LabelData& d) {
  Painting painting(window);
  HDC dc = painting.dc();
  RECT client{};
  GetClientRect(window, &client);
  // The parent gives the colours, as it does for a standard static control.
  const HWND parent = GetParent(window);
  if (HBRUSH background = asked_brush(parent ? parent : window, WM_CTLCOLORSTATIC, dc, window)) {
    FillRect(dc, &client, background);
  } else {
    // No fill of its own: the button face the window shows around it.
    fill(dc, client, colour_of(d.background_colour()));
    SetTextColor(dc, static_cast<COLORREF>(d.text_colour()));
  }
  SelectedObject font(dc, unit_font(unit));
  SetBkMode(dc, TRANSPARENT);
  std::wstring caption = local_to_wide(Text(d.caption));
  DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &client,
            DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX);
}

}  // namespace units
