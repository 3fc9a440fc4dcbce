#include <windows.h>

#include <shellapi.h>
#include <windowsx.h>

#include <string>

#include "common/codepage_win32.h"
#include "shell/resource_ids.h"
#include "shell/units/unit_win32.h"

namespace units {

const layout::HyperLinkerData& link_data(const Unit& unit) {
  return std::get<layout::HyperLinkerData>(unit.record->data);
}

std::wstring link_target(const layout::HyperLinkerData& d) {
  return local_to_wide(layout::hyperlink_target(d));
}

void paint_link(HWND window, const Unit& unit) {
  const auto& d = link_data(unit);
  Painting painting(window);
  HDC dc = painting.dc();
  RECT client{};
  GetClientRect(window, &client);
  fill(dc, client, colour_of(d.background_colour));
  COLORREF colour = colour_of(d.normal_colour, COLOR_HIGHLIGHT);
  if (unit.hover) {
    colour = colour_of(d.hover_colour, COLOR_HIGHLIGHT);
  } else if (unit.visited) {
    colour = colour_of(d.visited_colour, COLOR_HIGHLIGHT);
  }
  std::wstring caption = local_to_wide(Text(d.caption));
  // Without a caption the link shows its address.
  if (caption.empty()) caption = local_to_wide(Text(d.link_type == 1 ? d.web_address : d.email_address));
  SelectedObject font(dc, unit_font(unit));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colour);
  DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &client, DT_LEFT | DT_TOP | DT_NOPREFIX);
}

HCURSOR hand_cursor() {
  static HCURSOR cursor = [] {
    HCURSOR own = LoadCursorW(program_instance(), MAKEINTRESOURCEW(TARNVEX_CURSOR_HAND));
    return own ? own : LoadCursorW(nullptr, IDC_HAND);
  }();
  return cursor;
}

// Hover tracking: the link captures the mouse when it enters and lets it go
// when it leaves, repainting in the hover colour meanwhile.
void track_link_hover(HWND window, Unit& unit, LPARAM lparam) {
  const POINT point{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  RECT client{};
  GetClientRect(window, &client);
  const bool inside = PtInRect(&client, point) != FALSE;
  if (inside && GetCapture() != window) {
    SetCapture(window);
    unit.hover = true;
    InvalidateRect(window, nullptr, TRUE);
  } else if (!inside && GetCapture() == window) {
    ReleaseCapture();
  }
  if (inside) SetCursor(hand_cursor());
}

void open_link_target(Unit& unit) {
  const std::wstring target = link_target(link_data(unit));
  if (target.empty()) return;
  ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  unit.visited = true;
  InvalidateRect(unit.window, nullptr, TRUE);
}

}  // namespace units
