#include "shell/units/unit_win32.h"

#include <windowsx.h>

#include <algorithm>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

#include "common/codepage_win32.h"
#include "shell/display_rules.h"
#include "shell/event_handler.h"

namespace units {

const KindEntry* kind_of(const UnitRecord& record) {
  return std::visit(
      [](const auto& data) -> const KindEntry* {
        using Data = std::decay_t<decltype(data)>;
        if constexpr (std::is_same_v<Data, layout::UnusableData>) {
          return nullptr;
        } else {
          return &Data::behaviour();
        }
      },
      record.data);
}

HINSTANCE program_instance() { return GetModuleHandleW(nullptr); }

COLORREF colour_of(std::uint32_t colour, int system_colour) {
  return colour == layout::kSystemColour ? GetSysColor(system_colour) : static_cast<COLORREF>(colour);
}

HFONT unit_font(const Unit& unit) {
  // A null font sent means the system font, as for a standard control.
  if (unit.sent_font)
    return *unit.sent_font ? *unit.sent_font : static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
  return unit.font.get() ? unit.font.get() : default_gui_font(unit.dpi);
}
// A 60-byte font field builds its own font; anything else means the default GUI font.
void build_font(Unit& unit, const ByteSet& field) {
  unit.font_field = &field;
  const auto stored = layout::font_from_field(field);
  if (!stored) return;
  LOGFONTW font{};
  font.lfHeight = scaled(stored->height, unit.dpi);
  font.lfWidth = scaled(stored->width, unit.dpi);
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
  const std::wstring face = gbk_to_wide(stored->face_name);
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

HWND create_self_drawn(Unit& unit, HWND parent, const wchar_t* class_name, DWORD style, DWORD ex_style,
                       const Text& text) {
  const RECT rect = unit_rect(unit);
  return CreateWindowExW(ex_style, class_name, gbk_to_wide(text).c_str(), style, rect.left, rect.top,
                         rect.right - rect.left, rect.bottom - rect.top, parent, nullptr, program_instance(),
                         &unit);
}

HWND create_standard(Unit& unit, HWND parent, const wchar_t* class_name, DWORD style, DWORD ex_style,
                     const Text& text) {
  const RECT rect = unit_rect(unit);
  HWND window = CreateWindowExW(ex_style, class_name, gbk_to_wide(text).c_str(), style, rect.left, rect.top,
                                rect.right - rect.left, rect.bottom - rect.top, parent, nullptr,
                                program_instance(), nullptr);
  if (window) SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(unit_font(unit)), FALSE);
  return window;
}

bool standard_message(Unit& unit, const KindEntry& kind, UINT message, WPARAM wparam, LPARAM lparam,
                      LRESULT& result) {
  switch (message) {
    case WM_ERASEBKGND:
      result = 1;  // WM_PAINT paints the whole box
      return kind.paint != nullptr;
    case WM_PAINT:
      if (!kind.paint) return false;
      {
        PaintDc painting(unit.window);
        kind.paint(unit, painting.get());
      }
      result = 0;
      return true;
    case WM_SETFONT:
      unit.sent_font = reinterpret_cast<HFONT>(wparam);
      if (LOWORD(lparam)) InvalidateRect(unit.window, nullptr, TRUE);
      result = 0;
      return true;
    case WM_GETFONT:
      result = reinterpret_cast<LRESULT>(unit.sent_font ? *unit.sent_font : unit_font(unit));
      return true;
    case WM_SETTEXT:
      if (!kind.paint) return false;
      result = DefWindowProcW(unit.window, message, wparam, lparam);
      InvalidateRect(unit.window, nullptr, TRUE);
      return true;
    default:
      return false;
  }
}

bool answer_colours(Unit& unit, UINT message, HDC dc, LRESULT& result) {
  const KindEntry* kind = kind_of(*unit.record);
  COLORREF background = 0;
  std::optional<COLORREF> text;
  if (!kind || !kind->colours || !kind->colours(unit, message, background, text)) return false;
  if (text) SetTextColor(dc, *text);
  SetBkColor(dc, background);
  if (!unit.background_brush.get()) unit.background_brush.reset(CreateSolidBrush(background));
  result = reinterpret_cast<LRESULT>(unit.background_brush.get());
  return true;
}

int key_state_mask() {
  int keys = 0;
  if (GetKeyState(VK_CONTROL) < 0) keys |= kKeyCtrl;
  if (GetKeyState(VK_SHIFT) < 0) keys |= kKeyShift;
  if (GetKeyState(VK_MENU) < 0) keys |= kKeyAlt;
  return keys;
}

std::optional<std::int32_t> mouse_event_index(UINT message) {
  constexpr std::pair<UINT, std::int32_t> kMouseEvents[] = {{WM_LBUTTONDOWN, layout::kEventLeftDown},
                                                            {WM_LBUTTONUP, layout::kEventLeftUp},
                                                            {WM_LBUTTONDBLCLK, layout::kEventLeftDoubleClick},
                                                            {WM_RBUTTONDOWN, layout::kEventRightDown},
                                                            {WM_RBUTTONUP, layout::kEventRightUp},
                                                            {WM_MOUSEMOVE, layout::kEventMouseMove}};
  for (const auto& [mouse_message, event] : kMouseEvents) {
    if (mouse_message == message) return event;
  }
  return std::nullopt;
}

// Mouse and key input on the client side of a window, and a click sent to a
// button: what starts commands.
bool is_command_input(UINT message) {
  return (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
         (message >= WM_KEYDOWN && message <= WM_DEADCHAR) || message == BM_CLICK;
}

void register_classes(WNDPROC procedure) {
  layout::for_each_kind([procedure](auto type) {
    const KindEntry& kind = decltype(type)::type::behaviour();
    if (!kind.class_name) return;
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof(window_class);
    window_class.style = CS_DBLCLKS;
    window_class.lpfnWndProc = procedure;
    window_class.hInstance = program_instance();
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = kind.class_name;
    if (kind.class_icon != 0)
      window_class.hIcon = LoadIconW(program_instance(), MAKEINTRESOURCEW(kind.class_icon));
    RegisterClassExW(&window_class);
  });
}

}  // namespace units
