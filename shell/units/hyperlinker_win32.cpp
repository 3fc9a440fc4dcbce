// The hyperlink: its caption (or address) in the normal, visited or hover
// colour; the pointing hand while the mouse is over it; a press opens its target.
#include <windows.h>

#include <shellapi.h>
#include <windowsx.h>

#include <map>
#include <memory>
#include <string>

#include "common/codepage_win32.h"
#include "shell/resource_ids.h"
#include "shell/units/unit_win32.h"

namespace units {

namespace {

constexpr wchar_t kClassName[] = L"TarnvexHyperLinker";

struct LinkState : KindState {
  bool hover = false;
  bool visited = false;
};

const layout::HyperLinkerData& link_data(const Unit& unit) {
  return std::get<layout::HyperLinkerData>(unit.record->data);
}

LinkState& link_state(Unit& unit) { return static_cast<LinkState&>(*unit.state); }

std::wstring link_target(const layout::HyperLinkerData& d) { return gbk_to_wide(d.target()); }

HWND create(Unit& unit, HWND parent, DWORD style) {
  const auto& d = link_data(unit);
  DWORD ex_style = 0;
  add_border_style(d.border_style, style, ex_style);
  build_font(unit, d.font);
  unit.state = std::make_unique<LinkState>();
  return create_self_drawn(unit, parent, kClassName, style, ex_style, Text(d.caption));
}

void paint(Unit& unit, HDC dc) {
  const auto& d = link_data(unit);
  const LinkState& state = link_state(unit);
  RECT client{};
  GetClientRect(unit.window, &client);
  // The parent gives the background, as it does for the label (a skin gives
  // its own); the text keeps the link's colours.
  const HWND parent = GetParent(unit.window);
  if (HBRUSH background = asked_brush(parent ? parent : unit.window, WM_CTLCOLORSTATIC, dc, unit.window)) {
    FillRect(dc, &client, background);
  } else {
    fill(dc, client, colour_of(d.background_colour));
  }
  COLORREF colour = colour_of(d.normal_colour, COLOR_HIGHLIGHT);
  if (state.hover) {
    colour = colour_of(d.hover_colour, COLOR_HIGHLIGHT);
  } else if (state.visited) {
    colour = colour_of(d.visited_colour, COLOR_HIGHLIGHT);
  }
  std::wstring caption = window_text(unit.window);
  // Without a caption the link shows its address.
  if (caption.empty()) caption = gbk_to_wide(Text(d.link_type == 1 ? d.web_address : d.email_address));
  SelectedObject font(dc, unit_font(unit));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colour);
  DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &client, DT_LEFT | DT_TOP | DT_NOPREFIX);
}

bool colours(const Unit& unit, UINT message, COLORREF& background, std::optional<COLORREF>&) {
  if (message != WM_CTLCOLORSTATIC) return false;
  background = colour_of(link_data(unit).background_colour);
  return true;
}

// The pointing hand at the size for `dpi` (the file carries 32, 48 and 64
// pixels); each size loaded once and kept until the process ends.
HCURSOR hand_cursor(const Unit& unit) {
  static std::map<int, Owned<HCURSOR, &DestroyCursor>> cursors;
  const int size = scaled(32, unit.dpi);
  auto& cursor = cursors[size];
  if (!cursor) {
    cursor.reset(static_cast<HCURSOR>(
        LoadImageW(program_instance(), MAKEINTRESOURCEW(TARNVEX_CURSOR_HAND), IMAGE_CURSOR, size, size, 0)));
  }
  return cursor ? cursor.get() : LoadCursorW(nullptr, IDC_HAND);
}

// Hover tracking: the link captures the mouse when it enters and lets it go
// when it leaves, repainting in the hover colour meanwhile.
void track_hover(Unit& unit, LPARAM lparam) {
  HWND window = unit.window;
  const POINT point{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  RECT client{};
  GetClientRect(window, &client);
  const bool inside = PtInRect(&client, point) != FALSE;
  if (inside && GetCapture() != window) {
    SetCapture(window);
    link_state(unit).hover = true;
    InvalidateRect(window, nullptr, TRUE);
  } else if (!inside && GetCapture() == window) {
    ReleaseCapture();
  }
  if (inside) SetCursor(hand_cursor(unit));
}

void open_target(Unit& unit) {
  const std::wstring target = link_target(link_data(unit));
  if (target.empty()) return;
  ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  link_state(unit).visited = true;
  InvalidateRect(unit.window, nullptr, TRUE);
}

bool message(Unit& unit, UINT message, WPARAM, LPARAM lparam, LRESULT& result) {
  switch (message) {
    case WM_SETCURSOR:
      SetCursor(hand_cursor(unit));
      result = TRUE;
      return true;
    case WM_MOUSEMOVE:
      track_hover(unit, lparam);
      return false;
    case WM_CAPTURECHANGED:
      if (link_state(unit).hover) {
        link_state(unit).hover = false;
        InvalidateRect(unit.window, nullptr, TRUE);
      }
      return false;
    case WM_LBUTTONDOWN:
      open_target(unit);
      result = 0;
      return true;
    default:
      return false;
  }
}

}  // namespace

}  // namespace units

const units::KindEntry& layout::HyperLinkerData::behaviour() {
  static constexpr units::KindEntry kEntry{.class_name = units::kClassName,
                                           .create = units::create,
                                           .paint = units::paint,
                                           .colours = units::colours,
                                           .message = units::message};
  return kEntry;
}
