// The skin engine: applies a skin to the windows of the calling thread by
// subclassing them. Frames get their background, edit boxes, labels and push
// buttons their colours (buttons are drawn by us), the standard controls the font.
// Windows created later on the same thread are skinned as they appear.
//
// Windows are subclassed through comctl32's subclass chains, not by swapping
// GWLP_WNDPROC: our link can be taken out whoever joined the chain after us, so
// once release_skin has run no window calls into this library (unless someone
// swapped GWLP_WNDPROC over us; then we stay loaded, see unsubclass).
#include <windows.h>
// After windows.h.
#include <commctrl.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/codepage_win32.h"
#include "common/dpi_scale.h"
#include "common/win32/dpi.h"
#include "common/win32/gdi.h"
#include "common/win32/module.h"
#include "common/win32/window_text.h"
#include "skin_engine/skin_engine_win32.h"
#include "skin_engine/skin_format.h"

namespace {

using GdiHandle = GdiObject<HGDIOBJ>;

// A skin turned into GDI objects.
class Look {
 public:
  explicit Look(skin::Skin skin) : skin_(std::move(skin)) {
    for (const auto& [name, colour] : skin_.colours) {
      brushes_.emplace(name, GdiHandle(CreateSolidBrush(RGB(colour.red, colour.green, colour.blue))));
    }
  }

  std::optional<COLORREF> colour(std::string_view name) const {
    const auto colour = skin_.colour(name);
    if (!colour) return std::nullopt;
    return RGB(colour->red, colour->green, colour->blue);
  }
  HBRUSH brush(std::string_view name) const {
    const auto found = brushes_.find(name);
    return found == brushes_.end() ? nullptr : static_cast<HBRUSH>(found->second.get());
  }
  bool has_font() const { return skin_.font.has_value(); }
  // The skin's font for a window at `dpi`, made the first time that DPI is asked for.
  HFONT font(UINT dpi) const {
    if (!skin_.font) return nullptr;
    auto found = fonts_.find(dpi);
    if (found == fonts_.end()) found = fonts_.emplace(dpi, GdiHandle(create_font(*skin_.font, dpi))).first;
    return static_cast<HFONT>(found->second.get());
  }
  bool draws_buttons() const { return skin_.colour(skin::colour_name::kButtonFace).has_value(); }

 private:
  static HFONT create_font(const skin::Font& font, UINT dpi) {
    LOGFONTW logfont{};
    // The skin's heights are pixels at 96 dpi.
    logfont.lfHeight = scale_length(font.height, dpi);
    logfont.lfWeight = font.weight;
    logfont.lfItalic = font.italic ? TRUE : FALSE;
    logfont.lfUnderline = font.underline ? TRUE : FALSE;
    // The default charset lets the system link in fonts for characters the face lacks.
    logfont.lfCharSet = DEFAULT_CHARSET;
    logfont.lfQuality = DEFAULT_QUALITY;
    // A face that does not fit the field names no font: the default face then.
    const std::wstring face = to_wide(CP_UTF8, 0, font.face);
    if (face.size() < LF_FACESIZE) face.copy(logfont.lfFaceName, face.size());
    return CreateFontIndirectW(&logfont);
  }

  skin::Skin skin_;
  std::map<std::string, GdiHandle, std::less<>> brushes_;
  mutable std::map<UINT, GdiHandle> fonts_;
};

enum class Role { kFrame, kContainer, kEdit, kLabel, kPushButton, kOtherButton };

struct Subclassed {
  // The window's procedure right after we joined its chain: comctl32's.
  LONG_PTR chained_procedure = 0;
  Role role = Role::kContainer;
  LONG_PTR original_button_style = 0;
  bool owner_drawn = false;
  bool needs_setup = false;  // subclassed at creation; set up once WM_CREATE has run
  // Edit boxes: whether it draws its thin border inside itself, known after its first paint.
  std::optional<bool> client_border;
  // The font the window's owner chose; null is the system font.
  HFONT owner_font = nullptr;
};

struct EngineState {
  std::unique_ptr<Look> look;
  std::map<HWND, Subclassed> windows;
  Owned<HHOOK, &UnhookWindowsHookEx> creation_hook;
  // Our own reference to this library while windows are skinned: a FreeLibrary
  // without SkinH_Detach then leaves us loaded instead of under live windows.
  Module self;
};

// Never destroyed with the library: that would delete GDI objects under the
// loader lock. release_skin empties it; a process that ends skinned leaves the
// rest to the system.
EngineState& state() {
  static EngineState* const engine = new EngineState;
  return *engine;
}

// The one id of our link in every window's subclass chain.
constexpr UINT_PTR kSubclassId = 0x534B494E;

std::wstring class_of(HWND window) {
  wchar_t name[64] = {};
  const int length = GetClassNameW(window, name, 64);
  return std::wstring(name, length > 0 ? static_cast<std::size_t>(length) : 0);
}

bool class_is(const std::wstring& name, const wchar_t* wanted) {
  return lstrcmpiW(name.c_str(), wanted) == 0;
}

bool is_push_type(LONG_PTR style) {
  const LONG_PTR type = style & BS_TYPEMASK;
  return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

LONG_PTR with_type(LONG_PTR style, LONG_PTR type) {
  return (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | type;
}

Role role_of(HWND window, LONG_PTR style) {
  if ((style & WS_CHILD) == 0) return Role::kFrame;
  const std::wstring name = class_of(window);
  if (class_is(name, L"Edit")) return Role::kEdit;
  if (class_is(name, L"Static")) return Role::kLabel;
  if (class_is(name, L"Button")) {
    return is_push_type(style) ? Role::kPushButton : Role::kOtherButton;
  }
  return Role::kContainer;
}

bool is_standard_control(Role role) {
  return role == Role::kEdit || role == Role::kLabel || role == Role::kPushButton ||
         role == Role::kOtherButton;
}

LRESULT CALLBACK skinned_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                     DWORD_PTR);

// Gives a subclassed window the current look: the font, and our drawing for push buttons.
void set_up(HWND window, Subclassed& record) {
  record.needs_setup = false;
  const Look* look = state().look.get();
  if (look == nullptr) return;
  if (record.role == Role::kPushButton) {
    const bool draw = look->draws_buttons();
    if (draw && !record.owner_drawn) {
      SetWindowLongPtrW(window, GWL_STYLE, with_type(record.original_button_style, BS_OWNERDRAW));
      record.owner_drawn = true;
    } else if (!draw && record.owner_drawn) {
      // Cleared first: our WM_STYLECHANGING would otherwise keep the button ours.
      record.owner_drawn = false;
      SetWindowLongPtrW(window, GWL_STYLE, record.original_button_style);
    }
  }
  // The control is sent the font its owner chose; our window procedure puts the
  // skin's font in its place (or lets it through when the skin has none).
  if (is_standard_control(record.role)) {
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(record.owner_font), TRUE);
  }
}

// Keeps the library holding `code` loaded until the process ends.
void pin_module_of(const void* code) {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                     static_cast<LPCWSTR>(code), &module);
}

// Takes a window over; false when it is not ours to take (another process's).
bool subclass(HWND window, bool at_creation) {
  auto& windows = state().windows;
  auto found = windows.find(window);
  if (found == windows.end()) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId()) return false;
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    Subclassed record;
    record.role = role_of(window, style);
    record.original_button_style = style;
    record.needs_setup = at_creation;
    if (!at_creation) record.owner_font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    if (!SetWindowSubclass(window, &skinned_window_proc, kSubclassId, 0)) return false;
    record.chained_procedure = GetWindowLongPtrW(window, GWLP_WNDPROC);
    // The window may keep comctl32's chain procedure after we leave: comctl32
    // must then stay loaded, whoever loaded it.
    pin_module_of(reinterpret_cast<const void*>(record.chained_procedure));
    found = windows.emplace(window, record).first;
  }
  if (!at_creation) set_up(window, found->second);
  return true;
}

// Takes our link out of the window's chain and, unless it is being destroyed,
// gives it its own look back: the button style and the font its owner chose (the
// skin's font is about to be deleted).
void unsubclass(HWND window, bool destroying) {
  auto& windows = state().windows;
  const auto found = windows.find(window);
  if (found == windows.end()) return;
  const Subclassed record = found->second;
  windows.erase(found);
  if (destroying || GetWindowLongPtrW(window, GWLP_WNDPROC) == record.chained_procedure) {
    RemoveWindowSubclass(window, &skinned_window_proc, kSubclassId);
  } else {
    // Someone put a procedure in front of comctl32's by swapping GWLP_WNDPROC:
    // not every comctl32 (Wine's) keeps their chain whole when ours is the last
    // link to go. Our link stays, passing every message on, and so does the library.
    pin_module_of(reinterpret_cast<const void*>(&skinned_window_proc));
  }
  if (destroying) return;
  if (record.owner_drawn) SetWindowLongPtrW(window, GWL_STYLE, record.original_button_style);
  if (is_standard_control(record.role)) {
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(record.owner_font), TRUE);
  }
}

// Frames with a caption (main windows, message boxes) and everything inside them;
// hidden helper windows of the system are left alone.
bool wanted_frame(LONG_PTR style) { return (style & WS_CHILD) == 0 && (style & WS_CAPTION) == WS_CAPTION; }

bool wanted(HWND window) {
  const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
  if ((style & WS_CHILD) == 0) return wanted_frame(style);
  const HWND root = GetAncestor(window, GA_ROOT);
  return root != nullptr && state().windows.count(root) != 0;
}

// Answers WM_CTLCOLOR* with the skin's colours after the window's own answer.
std::optional<LRESULT> control_colours(UINT message, HDC dc, HWND control, LRESULT own_answer) {
  const Look* look = state().look.get();
  if (look == nullptr) return std::nullopt;
  std::string_view background;
  std::string_view text;
  std::string_view fallback_background;
  std::string_view fallback_text;
  switch (message) {
    case WM_CTLCOLOREDIT:
      background = skin::colour_name::kEditBackground;
      text = skin::colour_name::kEditText;
      break;
    case WM_CTLCOLORSTATIC:
      // Read-only and disabled edit boxes ask with WM_CTLCOLORSTATIC.
      if (class_is(class_of(control), L"Edit")) {
        background = skin::colour_name::kEditReadOnlyBackground;
        text = skin::colour_name::kEditReadOnlyText;
        fallback_background = skin::colour_name::kEditBackground;
        fallback_text = skin::colour_name::kEditText;
      } else {
        background = skin::colour_name::kLabelBackground;
        text = skin::colour_name::kLabelText;
      }
      break;
    case WM_CTLCOLORBTN:
      background = skin::colour_name::kButtonFace;
      text = skin::colour_name::kButtonText;
      break;
    case WM_CTLCOLORDLG:
      background = skin::colour_name::kWindowBackground;
      break;
    default:
      return std::nullopt;
  }
  auto text_colour = text.empty() ? std::nullopt : look->colour(text);
  if (!text_colour && !fallback_text.empty()) text_colour = look->colour(fallback_text);
  if (text_colour) SetTextColor(dc, *text_colour);
  auto back_colour = look->colour(background);
  HBRUSH brush = look->brush(background);
  if (!back_colour && !fallback_background.empty()) {
    back_colour = look->colour(fallback_background);
    brush = look->brush(fallback_background);
  }
  if (!back_colour || brush == nullptr) return own_answer;
  SetBkColor(dc, *back_colour);
  return reinterpret_cast<LRESULT>(brush);
}

// `count` one-pixel lines along the inside of `area`.
void frame_lines(HDC dc, RECT area, HBRUSH brush, int count) {
  for (int line = 0; line < count && area.right > area.left && area.bottom > area.top; ++line) {
    FrameRect(dc, &area, brush);
    InflateRect(&area, -1, -1);
  }
}

// The engine's own margins and lines are pixels at 96 dpi, scaled to the button's DPI.
bool draw_push_button(const DRAWITEMSTRUCT& item) {
  const Look* look = state().look.get();
  if (look == nullptr || item.CtlType != ODT_BUTTON) return false;
  const auto found = state().windows.find(item.hwndItem);
  if (found == state().windows.end() || !found->second.owner_drawn) return false;

  const bool pressed = (item.itemState & ODS_SELECTED) != 0;
  const bool disabled = (item.itemState & ODS_DISABLED) != 0;
  HBRUSH face = pressed && look->brush(skin::colour_name::kButtonPressed)
                    ? look->brush(skin::colour_name::kButtonPressed)
                    : look->brush(skin::colour_name::kButtonFace);
  const UINT dpi = window_dpi(item.hwndItem);
  RECT area = item.rcItem;
  FillRect(item.hDC, &area, face);
  if (HBRUSH border = look->brush(skin::colour_name::kButtonBorder)) {
    // The default button has a second line, as the system's own does.
    const bool is_default = (found->second.original_button_style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    frame_lines(item.hDC, area, border, scale_length(is_default ? 2 : 1, dpi));
  }

  const std::wstring caption = window_text(item.hwndItem);
  const LONG_PTR style = found->second.original_button_style;
  UINT format = DT_WORDBREAK;
  if ((style & BS_CENTER) == BS_LEFT) {
    format |= DT_LEFT;
  } else if ((style & BS_CENTER) == BS_RIGHT) {
    format |= DT_RIGHT;
  } else {
    format |= DT_CENTER;
  }
  HFONT font = look->has_font() ? look->font(dpi)
                                : reinterpret_cast<HFONT>(SendMessageW(item.hwndItem, WM_GETFONT, 0, 0));
  const SelectedObject selected(item.hDC, font);
  RECT text_area = area;
  InflateRect(&text_area, -scale_length(4, dpi), -scale_length(2, dpi));
  if (pressed) OffsetRect(&text_area, scale_length(1, dpi), scale_length(1, dpi));
  // Measure first so the text can sit in the middle (or at the top or bottom).
  RECT measured = text_area;
  DrawTextW(item.hDC, caption.c_str(), static_cast<int>(caption.size()), &measured, format | DT_CALCRECT);
  const int spare = (text_area.bottom - text_area.top) - (measured.bottom - measured.top);
  if ((style & BS_VCENTER) == BS_TOP) {
    text_area.bottom = text_area.top + (measured.bottom - measured.top);
  } else if ((style & BS_VCENTER) == BS_BOTTOM) {
    text_area.top += spare;
  } else {
    text_area.top += spare / 2;
  }
  SetBkMode(item.hDC, TRANSPARENT);
  const auto text_colour = look->colour(skin::colour_name::kButtonText);
  SetTextColor(item.hDC,
               disabled ? GetSysColor(COLOR_GRAYTEXT) : text_colour.value_or(GetSysColor(COLOR_BTNTEXT)));
  DrawTextW(item.hDC, caption.c_str(), static_cast<int>(caption.size()), &text_area, format);
  if ((item.itemState & ODS_FOCUS) != 0) {
    RECT focus = area;
    InflateRect(&focus, -scale_length(3, dpi), -scale_length(3, dpi));
    DrawFocusRect(item.hDC, &focus);
  }
  return true;
}

// An edit box with a thin border either keeps WS_BORDER and has it drawn in its
// non-client area, or (the usual case) drops the style at creation and draws the
// line itself inside its client area, in the window-frame colour. The second kind
// is recognised once, by that line, after its first paint.
bool has_client_border(HWND window, HDC dc) {
  RECT client;
  GetClientRect(window, &client);
  if (client.right < 3 || client.bottom < 3) return false;
  const COLORREF frame = GetSysColor(COLOR_WINDOWFRAME);
  const POINT samples[] = {
      {0, 0}, {client.right / 2, 0}, {0, client.bottom / 2}, {client.right - 1, client.bottom - 1}};
  for (const POINT& sample : samples) {
    if (GetPixel(dc, sample.x, sample.y) != frame) return false;
  }
  // Not a border when the whole box is that colour.
  return GetPixel(dc, client.right / 2, client.bottom / 2) != frame;
}

// A one-pixel frame in the skin's colour over a thin-bordered edit box.
void paint_edit_border(HWND window, bool non_client) {
  const Look* look = state().look.get();
  if (look == nullptr) return;
  HBRUSH border = look->brush(skin::colour_name::kEditBorder);
  if (border == nullptr) return;
  if (non_client) {
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    if ((style & WS_BORDER) == 0 || (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0) return;
    const WindowDc dc(window, true);
    if (dc.get() == nullptr) return;
    RECT outer;
    GetWindowRect(window, &outer);
    OffsetRect(&outer, -outer.left, -outer.top);
    FrameRect(dc.get(), &outer, border);
    return;
  }
  const auto found = state().windows.find(window);
  if (found == state().windows.end()) return;
  const WindowDc dc(window, false);
  if (dc.get() == nullptr) return;
  if (!found->second.client_border.has_value())
    found->second.client_border = has_client_border(window, dc.get());
  if (!*found->second.client_border) return;
  RECT client;
  GetClientRect(window, &client);
  FrameRect(dc.get(), &client, border);
}

// The skin's font for every skinned control under `frame`, at the DPI each is
// shown at now (after a move to a monitor of another DPI).
void refresh_fonts(HWND frame) {
  auto& windows = state().windows;
  std::vector<HWND> controls;
  for (const auto& [window, record] : windows) {
    if (is_standard_control(record.role) && GetAncestor(window, GA_ROOT) == frame) controls.push_back(window);
  }
  for (HWND control : controls) {
    const auto found = windows.find(control);
    if (found != windows.end()) {
      SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(found->second.owner_font), TRUE);
    }
  }
}

LRESULT CALLBACK skinned_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                     DWORD_PTR) {
  auto& windows = state().windows;
  const auto found = windows.find(window);
  if (found == windows.end()) return DefSubclassProc(window, message, wparam, lparam);
  // A copy: nested messages may change the map while we are inside.
  const Subclassed record = found->second;
  const Look* look = state().look.get();

  switch (message) {
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG: {
      const LRESULT own = DefSubclassProc(window, message, wparam, lparam);
      return control_colours(message, reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam), own)
          .value_or(own);
    }
    case WM_DRAWITEM:
      if (draw_push_button(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam))) return TRUE;
      break;
    case WM_ERASEBKGND:
      if (record.role == Role::kFrame && look != nullptr) {
        if (HBRUSH background = look->brush(skin::colour_name::kWindowBackground)) {
          RECT client;
          GetClientRect(window, &client);
          FillRect(reinterpret_cast<HDC>(wparam), &client, background);
          return 1;
        }
      }
      break;
    case WM_SETFONT:
      if (is_standard_control(record.role)) {
        found->second.owner_font = reinterpret_cast<HFONT>(wparam);
        if (look != nullptr && look->has_font())
          wparam = reinterpret_cast<WPARAM>(look->font(window_dpi(window)));
      }
      break;
    case BM_SETSTYLE:
      // Dialogs move the default-button mark with BM_SETSTYLE: keep the mark for
      // later, and keep drawing the button ourselves.
      if (record.owner_drawn) {
        if (is_push_type(static_cast<LONG_PTR>(wparam))) {
          found->second.original_button_style =
              with_type(record.original_button_style, static_cast<LONG_PTR>(wparam & BS_TYPEMASK));
          wparam = (wparam & ~static_cast<WPARAM>(BS_TYPEMASK)) | BS_OWNERDRAW;
        } else {
          found->second.owner_drawn = false;
          found->second.role = Role::kOtherButton;
        }
      }
      break;
    case WM_STYLECHANGING:
      if (record.owner_drawn && wparam == static_cast<WPARAM>(GWL_STYLE)) {
        auto* change = reinterpret_cast<STYLESTRUCT*>(lparam);
        if ((change->styleNew & BS_TYPEMASK) == BS_OWNERDRAW) break;
        if (is_push_type(change->styleNew)) {
          found->second.original_button_style = static_cast<LONG_PTR>(change->styleNew);
          change->styleNew =
              static_cast<DWORD>(with_type(static_cast<LONG_PTR>(change->styleNew), BS_OWNERDRAW));
        } else {
          found->second.owner_drawn = false;
          found->second.role = Role::kOtherButton;
        }
      }
      break;
    case WM_GETDLGCODE:
      // What the button would answer as a push button, so Enter still finds the default one.
      if (record.owner_drawn) {
        const bool is_default = (record.original_button_style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
        return DLGC_BUTTON | (is_default ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
      }
      break;
    case WM_NCPAINT:
    case WM_PAINT: {
      if (record.role != Role::kEdit) break;
      const LRESULT result = DefSubclassProc(window, message, wparam, lparam);
      paint_edit_border(window, message == WM_NCPAINT);
      return result;
    }
    case WM_CREATE: {
      const LRESULT result = DefSubclassProc(window, message, wparam, lparam);
      const auto again = windows.find(window);
      if (result != -1 && again != windows.end() && again->second.needs_setup) set_up(window, again->second);
      return result;
    }
    case WM_DPICHANGED: {
      // The owner scales its layout first; then the controls get the skin's font made for the new DPI.
      const LRESULT result = DefSubclassProc(window, message, wparam, lparam);
      if (record.role == Role::kFrame) refresh_fonts(window);
      return result;
    }
    case WM_NCDESTROY:
      unsubclass(window, true);
      return DefSubclassProc(window, message, wparam, lparam);
    default:
      break;
  }
  return DefSubclassProc(window, message, wparam, lparam);
}

LRESULT CALLBACK creation_hook(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HCBT_CREATEWND) {
    const HWND window = reinterpret_cast<HWND>(wparam);
    const auto* creation = reinterpret_cast<const CBT_CREATEWNDW*>(lparam);
    const CREATESTRUCTW* create = creation->lpcs;
    const bool message_only = create->hwndParent == HWND_MESSAGE;
    if (state().look != nullptr && !message_only && wanted(window)) subclass(window, true);
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

BOOL CALLBACK skin_child(HWND window, LPARAM) {
  subclass(window, false);
  return TRUE;
}

BOOL CALLBACK skin_top_level(HWND window, LPARAM) {
  if (!wanted_frame(GetWindowLongPtrW(window, GWL_STYLE))) return TRUE;
  if (!subclass(window, false)) return TRUE;
  EnumChildWindows(window, &skin_child, 0);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  return TRUE;
}

}  // namespace

std::int32_t apply_skin(const std::uint8_t* data, std::int32_t length) {
  if (data == nullptr || length <= 0) return static_cast<std::int32_t>(skin::Status::kEmpty);
  skin::Decoded decoded = skin::decode(data, static_cast<std::size_t>(length));
  if (decoded.status != skin::Status::kApplied) return static_cast<std::int32_t>(decoded.status);

  // The old look stays alive until every window has been given the new one.
  std::unique_ptr<Look> previous = std::move(state().look);
  state().look = std::make_unique<Look>(std::move(decoded.skin));
  if (!state().self) {
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&apply_skin),
                       state().self.put());
  }
  EnumThreadWindows(GetCurrentThreadId(), &skin_top_level, 0);
  if (!state().creation_hook) {
    state().creation_hook.reset(SetWindowsHookExW(WH_CBT, &creation_hook, nullptr, GetCurrentThreadId()));
  }
  return static_cast<std::int32_t>(skin::Status::kApplied);
}

void release_skin() {
  EngineState& engine = state();
  engine.creation_hook.reset();
  while (!engine.windows.empty()) {
    const HWND window = engine.windows.begin()->first;
    unsubclass(window, !IsWindow(window));
    if (IsWindow(window)) RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
  }
  engine.look.reset();
  // The caller holds its own reference (it is calling us), so this never unloads us here.
  engine.self.reset();
}
