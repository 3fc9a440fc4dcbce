// Units at the DPI of their window: the layout is drawn for 96 DPI, and every
// rectangle and font is scaled by the window's DPI / 96. The per-monitor entries
// of user32 are looked up at run time, so the program still starts where they
// are missing (then the window's DPI is the screen's).
#include <map>

#include "shell/display_rules.h"
#include "shell/units/unit_win32.h"

namespace units {

UINT system_dpi() {
  static auto* const get_dpi_for_system = user32_entry<UINT WINAPI()>("GetDpiForSystem");
  const UINT dpi = get_dpi_for_system ? get_dpi_for_system() : 0;
  return dpi != 0 ? dpi : screen_dpi();
}

int scaled(int length, UINT dpi) { return scale_length(length, dpi); }

RECT unit_rect(const Unit& unit) {
  const UnitRecord& record = *unit.record;
  const layout::PictureRect rect =
      layout::scale_rect({record.left, record.top, record.width, record.height}, unit.dpi);
  return {rect.left, rect.top, rect.left + rect.width, rect.top + rect.height};
}

int system_metric(int index, UINT dpi) {
  if (dpi == system_dpi()) return GetSystemMetrics(index);
  static auto* const metric_for_dpi = user32_entry<int WINAPI(int, UINT)>("GetSystemMetricsForDpi");
  return metric_for_dpi
             ? metric_for_dpi(index, dpi)
             : MulDiv(GetSystemMetrics(index), static_cast<int>(dpi), static_cast<int>(system_dpi()));
}

void adjust_window_rect(RECT& rect, DWORD style, DWORD ex_style, UINT dpi) {
  static auto* const adjust_for_dpi =
      user32_entry<BOOL WINAPI(RECT*, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
  if (adjust_for_dpi) {
    adjust_for_dpi(&rect, style, FALSE, ex_style, dpi);
  } else {
    AdjustWindowRectEx(&rect, style, FALSE, ex_style);
  }
}

HFONT default_gui_font(UINT dpi) {
  const auto stock = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  // The stock font is made for the system's DPI (Wine's grows with LogPixels, as
  // Windows' does with the sign-in DPI): scale from there, not from 96.
  const UINT made_for = system_dpi();
  if (dpi == made_for) return stock;
  static std::map<UINT, GdiObject<HFONT>> copies;
  GdiObject<HFONT>& copy = copies[dpi];
  if (!copy.get()) {
    LOGFONTW font{};
    if (GetObjectW(stock, sizeof font, &font) != sizeof font) return stock;
    font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(dpi), static_cast<int>(made_for));
    font.lfWidth = MulDiv(font.lfWidth, static_cast<int>(dpi), static_cast<int>(made_for));
    copy.reset(CreateFontIndirectW(&font));
  }
  return copy.get() ? copy.get() : stock;
}

void rescale(Unit& unit, UINT dpi) {
  if (!unit.window || unit.dpi == dpi) return;
  unit.dpi = dpi;
  // The old font goes once the control holds the new one.
  const GdiObject<HFONT> previous = std::move(unit.font);
  if (unit.font_field) build_font(unit, *unit.font_field);
  const RECT rect = unit_rect(unit);
  SetWindowPos(unit.window, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  const KindEntry* kind = kind_of(*unit.record);
  if (kind && !kind->class_name)
    SendMessageW(unit.window, WM_SETFONT, reinterpret_cast<WPARAM>(unit_font(unit)), FALSE);
  if (kind && kind->rescaled) kind->rescaled(unit);
  InvalidateRect(unit.window, nullptr, TRUE);
}

}  // namespace units
