// The edit box: a standard EDIT control.
#include <algorithm>

#include "shell/units/unit_win32.h"

namespace units {

namespace {

// A single-line edit box must fit its font's text and the edges.
int edit_height(HWND control, const Unit& unit, int height) {
  WindowDc dc(control);
  SelectedObject font(dc.get(), unit_font(unit));
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc.get(), &metrics);
  const int needed = metrics.tmHeight + 2 * system_metric(SM_CYEDGE, unit.dpi);
  return std::max(height, static_cast<int>(needed));
}

// A single-line box grows to its font; at the unit's DPI.
void grow_to_font(HWND window, const Unit& unit) {
  if (std::get<layout::EditBoxData>(unit.record->data).multi_line) return;
  const RECT rect = unit_rect(unit);
  const int height = rect.bottom - rect.top;
  const int grown = edit_height(window, unit, height);
  if (grown != height) {
    SetWindowPos(window, nullptr, 0, 0, rect.right - rect.left, grown,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

HWND create(Unit& unit, HWND parent, DWORD style) {
  const auto& d = std::get<layout::EditBoxData>(unit.record->data);
  DWORD ex_style = 0;
  add_border_style(d.border_style, style, ex_style);
  if (d.multi_line) {
    style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
  } else {
    style |= ES_AUTOHSCROLL;
  }
  if (d.scroll_bars & 1) style |= WS_HSCROLL;
  if (d.scroll_bars & 2) style |= WS_VSCROLL;
  if (d.alignment == 1) style |= ES_CENTER;
  if (d.alignment == 2) style |= ES_RIGHT;
  if (d.input_mode == 1) style |= ES_READONLY;
  if (d.input_mode == 2) style |= ES_PASSWORD;
  if (d.case_conversion == 1) style |= ES_LOWERCASE;
  if (d.case_conversion == 2) style |= ES_UPPERCASE;
  if (!d.hide_selection) style |= ES_NOHIDESEL;
  build_font(unit, d.font);
  HWND window = create_standard(unit, parent, L"EDIT", style, ex_style, Text(d.content));
  if (!window) return nullptr;
  SendMessageW(window, EM_SETLIMITTEXT, static_cast<WPARAM>(std::max(0, d.max_length)), 0);
  if (d.input_mode == 2) SendMessageW(window, EM_SETPASSWORDCHAR, d.password_char, 0);
  grow_to_font(window, unit);
  return window;
}

void rescaled(Unit& unit) { grow_to_font(unit.window, unit); }

// Asked by its parent with WM_CTLCOLOREDIT, or WM_CTLCOLORSTATIC when read-only.
bool colours(const Unit& unit, UINT message, COLORREF& background, std::optional<COLORREF>& text) {
  if (message == WM_CTLCOLORDLG) return false;
  const auto& d = std::get<layout::EditBoxData>(unit.record->data);
  background = colour_of(d.background_colour);
  text = colour_of(d.text_colour, COLOR_WINDOWTEXT);
  return true;
}

}  // namespace

}  // namespace units

const units::KindEntry& layout::EditBoxData::behaviour() {
  static constexpr units::KindEntry kEntry{.create = units::create,
                                           .colours = units::colours,
                                           .rescaled = units::rescaled,
                                           .text_is_content = true};
  return kEntry;
}
