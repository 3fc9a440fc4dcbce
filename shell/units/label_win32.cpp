// The label: its window text in its colours, drawn by the window system.
#include <string>

#include "shell/units/unit_win32.h"

namespace units {

namespace {

constexpr wchar_t kClassName[] = L"TarnvexLabel";

HWND create(Unit& unit, HWND parent, DWORD style) {
  const auto& d = std::get<layout::LabelData>(unit.record->data);
  build_font(unit, d.font);
  return create_self_drawn(unit, parent, kClassName, style, 0, Text(d.caption));
}

void paint(Unit& unit, HDC dc) {
  const auto& d = std::get<layout::LabelData>(unit.record->data);
  HWND window = unit.window;
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
  const std::wstring caption = window_text(window);
  DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &client,
            DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX);
}

bool colours(const Unit& unit, UINT message, COLORREF& background, std::optional<COLORREF>& text) {
  if (message != WM_CTLCOLORSTATIC) return false;
  const auto& d = std::get<layout::LabelData>(unit.record->data);
  background = colour_of(d.background_colour());
  text = static_cast<COLORREF>(d.text_colour());
  return true;
}

}  // namespace

}  // namespace units

const units::KindEntry& layout::LabelData::behaviour() {
  static constexpr units::KindEntry kEntry{.class_name = units::kClassName,
                                           .create = units::create,
                                           .paint = units::paint,
                                           .colours = units::colours};
  return kEntry;
}
