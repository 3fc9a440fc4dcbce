#include "shell/units/unit_win32.h"

#include <string>

#include "common/codepage_win32.h"

namespace units {

HINSTANCE program_instance() { return GetModuleHandleW(nullptr); }

COLORREF colour_of(std::uint32_t colour, int system_colour) {
  return colour == layout::kSystemColour ? GetSysColor(system_colour) : static_cast<COLORREF>(colour);
}

HFONT default_gui_font() { return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

HFONT unit_font(const Unit& unit) { return unit.font.get() ? unit.font.get() : default_gui_font(); }

// A 60-byte font field builds its own font; anything else means the default GUI font.
void build_font(Unit& unit, const ByteSet& field) {
  const auto stored = layout::font_from_field(field);
  if (!stored) return;
  LOGFONTW font{};
  font.lfHeight = stored->height;
  font.lfWidth = stored->width;
  font.lfEscapement = stored->escapement;
  font.lfOrientation = stored->orientation;
  font.lfWeight = stored->weight;
  font.lfItalic = stored->italic;
  font.lfUnderline = stored->underline;
  font.lfStrikeOut = stored->strike_out;
  font.lfCharSet = stored->char_set;
  font.lfOutPrecision = stored->out_precision;
  font.lfClipPrecision = stored->clip_precision;
  font.lfQuality = stored->quality;
  font.lfPitchAndFamily = stored->pitch_and_family;
  const std::wstring face = local_to_wide(stored->face_name);
  lstrcpynW(font.lfFaceName, face.c_str(), LF_FACESIZE);
  unit.font.reset(CreateFontIndirectW(&font));
}

// Border style shared by edit box, picture box and hyperlink.
void add_border_style(std::int32_t border_style, DWORD& style, DWORD& ex_style) {
  switch (border_style) {
    case 1:
      ex_style |= WS_EX_CLIENTEDGE;
      break;
    case 2:
      ex_style |= WS_EX_DLGMODALFRAME;
      break;
    case 3:
      ex_style |= WS_EX_STATICEDGE;
      break;
    case 4:
      ex_style |= WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME;
      break;
    case 5:
      style |= WS_BORDER;
      break;
    default:
      break;
  }
}

// ---- drawing ----

void fill(HDC dc, const RECT& rect, COLORREF colour) {
  GdiObject<HBRUSH> brush(CreateSolidBrush(colour));
  FillRect(dc, &rect, brush.get());
}

// The brush a self-painted unit fills its background with, asked for the way a
// standard control asks: the window procedure answers with the unit's own
// colours, and whoever subclasses the asked window may answer differently.
// Null when nobody answered.
HBRUSH asked_brush(HWND asked, UINT message, HDC dc, HWND window) {
  return reinterpret_cast<HBRUSH>(
      SendMessageW(asked, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(window)));
}

}  // namespace units
