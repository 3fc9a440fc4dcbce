#include "shell/window_system_win32.h"

#include <commctrl.h>
#include <ole2.h>
#include <olectl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "common/codepage_win32.h"
#include "common/win32/gdi.h"
#include "shell/picture_scale.h"
#include "shell/resource_ids.h"

namespace {

using layout::UnitRecord;

// ---- owners ----

class PictureOwner {
 public:
  PictureOwner() = default;
  ~PictureOwner() {
    if (picture_) picture_->Release();
  }
  PictureOwner(const PictureOwner&) = delete;
  PictureOwner& operator=(const PictureOwner&) = delete;
  IPicture* get() const { return picture_; }
  IPicture** put() { return &picture_; }

 private:
  IPicture* picture_ = nullptr;
};

class GlobalMemory {
 public:
  explicit GlobalMemory(HGLOBAL memory) : memory_(memory) {}
  ~GlobalMemory() {
    if (memory_) GlobalFree(memory_);
  }
  GlobalMemory(const GlobalMemory&) = delete;
  GlobalMemory& operator=(const GlobalMemory&) = delete;
  HGLOBAL get() const { return memory_; }

 private:
  HGLOBAL memory_;
};

class Painting {
 public:
  explicit Painting(HWND window) : window_(window) { dc_ = BeginPaint(window, &paint_); }
  ~Painting() { EndPaint(window_, &paint_); }
  Painting(const Painting&) = delete;
  Painting& operator=(const Painting&) = delete;
  HDC dc() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

// ---- units ----

struct Unit {
  std::uint32_t id = 0;
  const UnitRecord* record = nullptr;
  HWND window = nullptr;
  GdiObject<HFONT> font;
  GdiObject<HBRUSH> background_brush;
  // The decoded picture (32-bit pixels, top row first) and its last scaled copy.
  std::vector<std::uint32_t> picture;
  SIZE picture_size{};
  std::vector<std::uint32_t> scaled;
  SIZE scaled_size{};
  bool hover = false;
  bool visited = false;
};

struct LoadedWindow {
  std::uint32_t window_id = 0;
  const layout::WindowLayout* layout = nullptr;
  HWND window = nullptr;
  HWND hidden_owner = nullptr;
  std::vector<std::unique_ptr<Unit>> units;
  Unit* window_unit = nullptr;
};

struct WindowSystem {
  std::vector<layout::WindowLayout> layouts;
  std::vector<EventHandler> handlers;
  std::vector<std::unique_ptr<LoadedWindow>> windows;
  std::unordered_map<HWND, Unit*> unit_of;
  bool message_loop_running = false;
  bool classes_registered = false;
};

WindowSystem& system_state() {
  static WindowSystem state;
  return state;
}

Unit* find_unit(HWND window) {
  auto& units = system_state().unit_of;
  const auto found = units.find(window);
  return found == units.end() ? nullptr : found->second;
}

HINSTANCE program_instance() { return GetModuleHandleW(nullptr); }

COLORREF colour_of(std::uint32_t colour, int system_colour = COLOR_BTNFACE) {
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

int key_state_mask() {
  int keys = 0;
  if (GetKeyState(VK_CONTROL) < 0) keys |= kKeyCtrl;
  if (GetKeyState(VK_SHIFT) < 0) keys |= kKeyShift;
  if (GetKeyState(VK_MENU) < 0) keys |= kKeyAlt;
  return keys;
}

std::optional<std::int32_t> mouse_event_index(UINT message) {
  switch (message) {
    case WM_LBUTTONDOWN:
      return layout::kEventLeftDown;
    case WM_LBUTTONUP:
      return layout::kEventLeftUp;
    case WM_LBUTTONDBLCLK:
      return layout::kEventLeftDoubleClick;
    case WM_RBUTTONDOWN:
      return layout::kEventRightDown;
    case WM_RBUTTONUP:
      return layout::kEventRightUp;
    case WM_MOUSEMOVE:
      return layout::kEventMouseMove;
    default:
      return std::nullopt;
  }
}

const EventHandler* bound_handler(const Unit& unit, std::int32_t event) {
  const std::int32_t index = unit.record->handler_for(event);
  const auto& handlers = system_state().handlers;
  if (index < 0 || static_cast<std::size_t>(index) >= handlers.size()) return nullptr;
  const EventHandler& handler = handlers[static_cast<std::size_t>(index)];
  return handler.empty() ? nullptr : &handler;
}

void fire_plain_event(const Unit& unit, std::int32_t event) {
  if (const EventHandler* handler = bound_handler(unit, event)) handler->call();
}

// Runs the handler bound to a mouse message before the control sees it;
// false when the handler keeps the message from the control.
bool dispatch_mouse(const Unit& unit, UINT message, LPARAM lparam) {
  const auto event = mouse_event_index(message);
  if (!event) return true;
  const EventHandler* handler = bound_handler(unit, *event);
  if (!handler) return true;
  return handler->call(GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam), key_state_mask());
}

void dispatch_focus(const Unit& unit, UINT message) {
  if (message == WM_SETFOCUS) fire_plain_event(unit, layout::kEventFocusGained);
  if (message == WM_KILLFOCUS) fire_plain_event(unit, layout::kEventFocusLost);
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

void paint_shape(HWND window, const layout::ShapeBoxData& d) {
  Painting painting(window);
  HDC dc = painting.dc();
  RECT client{};
  GetClientRect(window, &client);
  // A container asks itself for its background, as a dialog does.
  if (HBRUSH background = asked_brush(window, WM_CTLCOLORDLG, dc, window)) {
    FillRect(dc, &client, background);
  } else {
    fill(dc, client, colour_of(d.background_colour));
  }

  RECT area = client;
  const int width = client.right;
  const int height = client.bottom;
  if (d.shape == 1 || d.shape == 3 || d.shape == 5) {
    const int side = std::min(width, height);
    area.left = (width - side) / 2;
    area.top = (height - side) / 2;
    area.right = area.left + side;
    area.bottom = area.top + side;
  }

  GdiObject<HPEN> pen;
  if (d.line_type == 1) {
    pen.reset(CreatePen(PS_INSIDEFRAME, std::max(1, d.line_width), colour_of(d.line_colour)));
  } else if (d.line_type >= 2) {
    const int pen_style = d.line_type == 2   ? PS_DASH
                          : d.line_type == 3 ? PS_DOT
                          : d.line_type == 4 ? PS_DASHDOT
                                             : PS_DASHDOTDOT;
    pen.reset(CreatePen(pen_style, 1, colour_of(d.line_colour)));
  }
  GdiObject<HBRUSH> brush;
  if (d.fill_colour != layout::kSystemColour)
    brush.reset(CreateSolidBrush(static_cast<COLORREF>(d.fill_colour)));
  SelectedObject selected_pen(dc, pen.get() ? static_cast<HGDIOBJ>(pen.get()) : GetStockObject(NULL_PEN));
  SelectedObject selected_brush(dc,
                                brush.get() ? static_cast<HGDIOBJ>(brush.get()) : GetStockObject(NULL_BRUSH));
  // Without a pen GDI leaves out the right and bottom edge: widen by one.
  const int grow = pen.get() ? 0 : 1;

  auto draw = [&](const RECT& r) {
    switch (d.shape) {
      case 2:
      case 3:
        Ellipse(dc, r.left, r.top, r.right + grow, r.bottom + grow);
        break;
      case 4:
      case 5:
        RoundRect(dc, r.left, r.top, r.right + grow, r.bottom + grow, (r.right - r.left) / 5,
                  (r.bottom - r.top) / 5);
        break;
      case 6:
        MoveToEx(dc, r.left, (r.top + r.bottom) / 2, nullptr);
        LineTo(dc, r.right, (r.top + r.bottom) / 2);
        break;
      case 7:
        MoveToEx(dc, (r.left + r.right) / 2, r.top, nullptr);
        LineTo(dc, (r.left + r.right) / 2, r.bottom);
        break;
      default:
        Rectangle(dc, r.left, r.top, r.right + grow, r.bottom + grow);
        break;
    }
  };
  draw(area);
  if (d.effect_3d == 1 || d.effect_3d == 2) {
    // Two outlines one pixel apart: white then black, or the other way round.
    GdiObject<HPEN> white(CreatePen(PS_SOLID, 1, RGB(255, 255, 255)));
    GdiObject<HPEN> black(CreatePen(PS_SOLID, 1, RGB(0, 0, 0)));
    SelectedObject hollow(dc, GetStockObject(NULL_BRUSH));
    RECT outer = area;
    RECT inner{area.left + 1, area.top + 1, area.right - 1, area.bottom - 1};
    {
      SelectedObject first(dc, d.effect_3d == 1 ? white.get() : black.get());
      Rectangle(dc, outer.left, outer.top, outer.right, outer.bottom);
    }
    SelectedObject second(dc, d.effect_3d == 1 ? black.get() : white.get());
    Rectangle(dc, inner.left, inner.top, inner.right, inner.bottom);
  }
}

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

void draw_pixels(HDC dc, int left, int top, int width, int height, const std::vector<std::uint32_t>& pixels) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  SetDIBitsToDevice(dc, left, top, static_cast<DWORD>(width), static_cast<DWORD>(height), 0, 0, 0,
                    static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
}

void paint_picture(HWND window, Unit& unit, const layout::PicBoxData& d) {
  Painting painting(window);
  HDC dc = painting.dc();
  RECT client{};
  GetClientRect(window, &client);
  fill(dc, client, colour_of(d.background_colour));
  if (unit.picture.empty()) return;
  layout::PictureRect place{0, 0, unit.picture_size.cx, unit.picture_size.cy};
  if (d.display_mode == 1) {
    place = {0, 0, client.right, client.bottom};
  } else if (d.display_mode == 2) {
    place = layout::fit_picture(client.right, client.bottom, unit.picture_size.cx, unit.picture_size.cy);
  } else if (d.display_mode == 3) {
    place.left = (client.right - place.width) / 2;
    place.top = (client.bottom - place.height) / 2;
  }
  if (place.width <= 0 || place.height <= 0) return;
  if (place.width == unit.picture_size.cx && place.height == unit.picture_size.cy) {
    draw_pixels(dc, place.left, place.top, place.width, place.height, unit.picture);
    return;
  }
  if (unit.scaled_size.cx != place.width || unit.scaled_size.cy != place.height) {
    unit.scaled =
        scale_pixels(unit.picture, unit.picture_size.cx, unit.picture_size.cy, place.width, place.height);
    unit.scaled_size = {place.width, place.height};
  }
  if (!unit.scaled.empty()) draw_pixels(dc, place.left, place.top, place.width, place.height, unit.scaled);
}

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

// ---- window procedures ----

void forget_window(HWND window);

// WM_CTLCOLOR* about a unit: its own text and background colours. Edit boxes and
// labels ask their parent; a shape box asks itself for its background.
LRESULT unit_colours(UINT message, HDC dc, HWND control, bool& handled) {
  handled = false;
  Unit* unit = find_unit(control);
  if (!unit || !unit->record->usable()) return 0;
  const auto& data = unit->record->data;
  COLORREF background = 0;
  std::optional<COLORREF> text;
  if (const auto* d = std::get_if<layout::EditBoxData>(&data); d && message != WM_CTLCOLORDLG) {
    background = colour_of(d->background_colour);
    text = colour_of(d->text_colour, COLOR_WINDOWTEXT);
  } else if (const auto* d = std::get_if<layout::LabelData>(&data); d && message == WM_CTLCOLORSTATIC) {
    background = colour_of(d->background_colour());
    text = static_cast<COLORREF>(d->text_colour());
  } else if (const auto* d = std::get_if<layout::ShapeBoxData>(&data); d && message == WM_CTLCOLORDLG) {
    background = colour_of(d->background_colour);
  } else {
    return 0;
  }
  if (text) SetTextColor(dc, *text);
  SetBkColor(dc, background);
  if (!unit->background_brush.get()) unit->background_brush.reset(CreateSolidBrush(background));
  handled = true;
  return reinterpret_cast<LRESULT>(unit->background_brush.get());
}

// Messages that a container (the window, a shape box) handles for its children.
bool container_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
  switch (message) {
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORDLG: {
      bool handled = false;
      result = unit_colours(message, reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam), handled);
      return handled;
    }
    case WM_COMMAND:
      if (HIWORD(wparam) == BN_CLICKED && lparam != 0) {
        if (Unit* unit = find_unit(reinterpret_cast<HWND>(lparam))) {
          if (std::holds_alternative<layout::ButtonData>(unit->record->data)) {
            fire_plain_event(*unit, layout::kEventOwn);
            result = 0;
            return true;
          }
        }
      }
      return false;
    default:
      return false;
  }
}

LRESULT CALLBACK unit_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    auto* unit = static_cast<Unit*>(create->lpCreateParams);
    if (unit) {
      unit->window = window;
      system_state().unit_of[window] = unit;
    }
  }
  Unit* unit = find_unit(window);
  if (!unit) return DefWindowProcW(window, message, wparam, lparam);

  if (!dispatch_mouse(*unit, message, lparam)) return 0;
  dispatch_focus(*unit, message);
  LRESULT result = 0;
  if (container_message(message, wparam, lparam, result)) return result;

  const auto& data = unit->record->data;
  switch (message) {
    case WM_ERASEBKGND:
      if (const auto* window_data = std::get_if<layout::WindowData>(&data)) {
        RECT client{};
        GetClientRect(window, &client);
        fill(reinterpret_cast<HDC>(wparam), client, colour_of(window_data->background_colour));
      }
      return 1;  // the other kinds paint their whole box in WM_PAINT
    case WM_PAINT:
      if (const auto* shape = std::get_if<layout::ShapeBoxData>(&data)) {
        paint_shape(window, *shape);
        return 0;
      }
      if (const auto* label = std::get_if<layout::LabelData>(&data)) {
        paint_label(window, *unit, *label);
        return 0;
      }
      if (const auto* picture = std::get_if<layout::PicBoxData>(&data)) {
        paint_picture(window, *unit, *picture);
        return 0;
      }
      if (std::holds_alternative<layout::HyperLinkerData>(data)) {
        paint_link(window, *unit);
        return 0;
      }
      break;
    case WM_SETFONT:
      if (!std::holds_alternative<layout::WindowData>(data)) break;
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(unit_font(*unit));
    case WM_SETCURSOR:
      if (std::holds_alternative<layout::HyperLinkerData>(data)) {
        SetCursor(hand_cursor());
        return TRUE;
      }
      break;
    case WM_MOUSEMOVE:
      if (std::holds_alternative<layout::HyperLinkerData>(data)) track_link_hover(window, *unit, lparam);
      break;
    case WM_CAPTURECHANGED:
      if (unit->hover) {
        unit->hover = false;
        InvalidateRect(window, nullptr, TRUE);
      }
      break;
    case WM_LBUTTONDOWN:
      if (std::holds_alternative<layout::HyperLinkerData>(data)) {
        open_link_target(*unit);
        return 0;
      }
      break;
    case WM_NCDESTROY:
      forget_window(window);
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

LRESULT CALLBACK control_subclass(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                  DWORD_PTR reference) {
  auto* unit = reinterpret_cast<Unit*>(reference);
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(window, control_subclass, 0);
    system_state().unit_of.erase(window);
    return DefSubclassProc(window, message, wparam, lparam);
  }
  if (!dispatch_mouse(*unit, message, lparam)) return 0;
  dispatch_focus(*unit, message);
  return DefSubclassProc(window, message, wparam, lparam);
}

void register_classes() {
  auto& state = system_state();
  if (state.classes_registered) return;
  for (const wchar_t* name : {kWindowClass, kShapeBoxClass, kLabelClass, kPicBoxClass, kHyperLinkerClass}) {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof(window_class);
    window_class.style = CS_DBLCLKS;
    window_class.lpfnWndProc = unit_procedure;
    window_class.hInstance = program_instance();
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = name;
    if (name == kWindowClass) {
      window_class.hIcon = LoadIconW(program_instance(), MAKEINTRESOURCEW(TARNVEX_ICON_DEFAULT));
    }
    RegisterClassExW(&window_class);
  }
  state.classes_registered = true;
}

// ---- building ----

LoadedWindow* loaded_window(std::uint32_t window_id) {
  for (auto& window : system_state().windows) {
    if (window->window_id == window_id && window->window) return window.get();
  }
  return nullptr;
}

Unit* loaded_unit(std::uint32_t window_id, std::uint32_t unit_id) {
  LoadedWindow* window = loaded_window(window_id);
  if (!window) return nullptr;
  if (unit_id == window_id) return window->window_unit;
  for (auto& unit : window->units) {
    if (unit->id == unit_id) return unit.get();
  }
  return nullptr;
}

struct WindowStyles {
  DWORD style = 0;
  DWORD ex_style = 0;
};

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

HWND create_main(LoadedWindow& loaded, Unit& unit, HWND parent) {
  const auto& record = *unit.record;
  const auto& d = std::get<layout::WindowData>(record.data);
  const WindowStyles styles = window_styles(d);
  int left = record.left;
  int top = record.top;
  if (d.start_position == 1) {
    left = (GetSystemMetrics(SM_CXSCREEN) - record.width) / 2;
    top = (GetSystemMetrics(SM_CYSCREEN) - record.height) / 2;
  }
  HWND owner = parent;
  if (!owner && d.shown_in_taskbar == 0) {
    loaded.hidden_owner = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                          program_instance(), nullptr);
    owner = loaded.hidden_owner;
  }
  const std::wstring caption = local_to_wide(Text(d.caption));
  HWND window = CreateWindowExW(styles.ex_style, kWindowClass, caption.c_str(), styles.style, left, top,
                                record.width, record.height, owner, nullptr, program_instance(), &unit);
  if (!window) return nullptr;
  RECT outer{};
  GetWindowRect(window, &outer);
  if (outer.right - outer.left != record.width || outer.bottom - outer.top != record.height) {
    SetWindowPos(window, nullptr, 0, 0, record.width, record.height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(default_gui_font()), FALSE);
  if (d.close_allowed == 0) DeleteMenu(GetSystemMenu(window, FALSE), SC_CLOSE, MF_BYCOMMAND);
  if (d.icon.empty()) {
    // No icon of its own: the program's default icon.
    auto load_icon = [](int size) {
      return static_cast<HICON>(LoadImageW(program_instance(), MAKEINTRESOURCEW(TARNVEX_ICON_DEFAULT),
                                           IMAGE_ICON, size, size, LR_SHARED));
    };
    SendMessageW(window, WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(load_icon(GetSystemMetrics(SM_CXICON))));
    SendMessageW(window, WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(load_icon(GetSystemMetrics(SM_CXSMICON))));
  }
  return window;
}

// Decodes the picture (JPEG, BMP, GIF: whatever OLE reads) into 32-bit pixels.
void load_picture(Unit& unit, const ByteSet& bytes) {
  if (bytes.empty()) return;
  GlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, bytes.size()));
  if (!memory.get()) return;
  void* target = GlobalLock(memory.get());
  if (!target) return;
  std::copy(bytes.begin(), bytes.end(), static_cast<std::uint8_t*>(target));
  GlobalUnlock(memory.get());
  IStream* stream = nullptr;
  // The stream does not own the memory: GlobalMemory frees it after the picture is read.
  if (FAILED(CreateStreamOnHGlobal(memory.get(), FALSE, &stream))) return;
  PictureOwner picture;
  const HRESULT loaded = OleLoadPicture(stream, static_cast<LONG>(bytes.size()), FALSE, IID_IPicture,
                                        reinterpret_cast<void**>(picture.put()));
  stream->Release();
  if (FAILED(loaded) || !picture.get()) return;
  OLE_XSIZE_HIMETRIC himetric_width = 0;
  OLE_YSIZE_HIMETRIC himetric_height = 0;
  picture.get()->get_Width(&himetric_width);
  picture.get()->get_Height(&himetric_height);
  // HIMETRIC at 96 pixels per inch back to the picture's own pixels.
  const SIZE size{MulDiv(himetric_width, 96, 2540), MulDiv(himetric_height, 96, 2540)};
  if (size.cx <= 0 || size.cy <= 0) return;

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = size.cx;
  info.bmiHeader.biHeight = -size.cy;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  GdiObject<HBITMAP> bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  HDC memory_dc = CreateCompatibleDC(nullptr);
  if (!bitmap.get() || !bits || !memory_dc) {
    if (memory_dc) DeleteDC(memory_dc);
    return;
  }
  {
    SelectedObject selected(memory_dc, bitmap.get());
    picture.get()->Render(memory_dc, 0, 0, size.cx, size.cy, 0, himetric_height, himetric_width,
                          -himetric_height, nullptr);
    GdiFlush();
  }
  DeleteDC(memory_dc);
  const auto* pixels = static_cast<const std::uint32_t*>(bits);
  unit.picture.assign(pixels, pixels + static_cast<std::size_t>(size.cx) * static_cast<std::size_t>(size.cy));
  unit.picture_size = size;
}

// A single-line edit box must fit its font's text and the edges.
int edit_height(HWND control, const Unit& unit, int height) {
  WindowDc dc(control);
  SelectedObject font(dc.get(), unit_font(unit));
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc.get(), &metrics);
  const int needed = metrics.tmHeight + 2 * GetSystemMetrics(SM_CYEDGE);
  return std::max(height, static_cast<int>(needed));
}

HWND create_unit_window(Unit& unit, HWND parent) {
  const UnitRecord& record = *unit.record;
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
  DWORD ex_style = 0;
  if (record.visible()) style |= WS_VISIBLE;
  if (record.disabled()) style |= WS_DISABLED;
  if (record.tab_stop()) style |= WS_TABSTOP;
  const HINSTANCE instance = program_instance();
  HWND window = nullptr;
  bool subclass = false;
  int height = record.height;

  if (const auto* d = std::get_if<layout::EditBoxData>(&record.data)) {
    add_border_style(d->border_style, style, ex_style);
    if (d->multi_line) {
      style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
    } else {
      style |= ES_AUTOHSCROLL;
    }
    if (d->scroll_bars & 1) style |= WS_HSCROLL;
    if (d->scroll_bars & 2) style |= WS_VSCROLL;
    if (d->alignment == 1) style |= ES_CENTER;
    if (d->alignment == 2) style |= ES_RIGHT;
    if (d->input_mode == 1) style |= ES_READONLY;
    if (d->input_mode == 2) style |= ES_PASSWORD;
    if (d->case_conversion == 1) style |= ES_LOWERCASE;
    if (d->case_conversion == 2) style |= ES_UPPERCASE;
    if (!d->hide_selection) style |= ES_NOHIDESEL;
    build_font(unit, d->font);
    const std::wstring content = local_to_wide(Text(d->content));
    window = CreateWindowExW(ex_style, L"EDIT", content.c_str(), style, record.left, record.top, record.width,
                             height, parent, nullptr, instance, nullptr);
    if (window) {
      SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(unit_font(unit)), FALSE);
      SendMessageW(window, EM_SETLIMITTEXT, static_cast<WPARAM>(std::max(0, d->max_length)), 0);
      if (d->input_mode == 2) SendMessageW(window, EM_SETPASSWORDCHAR, d->password_char, 0);
      if (!d->multi_line) {
        const int grown = edit_height(window, unit, height);
        if (grown != height) {
          SetWindowPos(window, nullptr, 0, 0, record.width, grown,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
      }
    }
    subclass = true;
  } else if (const auto* d = std::get_if<layout::ButtonData>(&record.data)) {
    style |= BS_MULTILINE | (d->button_type == 1 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    style |= d->horizontal_alignment == 0 ? BS_LEFT : d->horizontal_alignment == 2 ? BS_RIGHT : BS_CENTER;
    style |= d->vertical_alignment == 0 ? BS_TOP : d->vertical_alignment == 2 ? BS_BOTTOM : BS_VCENTER;
    build_font(unit, d->font);
    const std::wstring caption = local_to_wide(Text(d->caption));
    window = CreateWindowExW(0, L"BUTTON", caption.c_str(), style, record.left, record.top, record.width,
                             height, parent, nullptr, instance, nullptr);
    if (window) SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(unit_font(unit)), FALSE);
    subclass = true;
  } else {
    const wchar_t* class_name = nullptr;
    std::wstring text;
    if (std::holds_alternative<layout::ShapeBoxData>(record.data)) {
      class_name = kShapeBoxClass;
      // Its children take part in tab moves.
      ex_style |= WS_EX_CONTROLPARENT;
    } else if (const auto* d = std::get_if<layout::LabelData>(&record.data)) {
      class_name = kLabelClass;
      build_font(unit, d->font);
      text = local_to_wide(Text(d->caption));
    } else if (const auto* d = std::get_if<layout::PicBoxData>(&record.data)) {
      class_name = kPicBoxClass;
      add_border_style(d->border_style, style, ex_style);
      load_picture(unit, d->picture);
    } else if (const auto* d = std::get_if<layout::HyperLinkerData>(&record.data)) {
      class_name = kHyperLinkerClass;
      add_border_style(d->border_style, style, ex_style);
      build_font(unit, d->font);
      text = local_to_wide(Text(d->caption));
    }
    if (!class_name) return nullptr;
    window = CreateWindowExW(ex_style, class_name, text.c_str(), style, record.left, record.top, record.width,
                             height, parent, nullptr, instance, &unit);
  }
  if (window && subclass) {
    unit.window = window;
    system_state().unit_of[window] = &unit;
    SetWindowSubclass(window, control_subclass, 0, reinterpret_cast<DWORD_PTR>(&unit));
  }
  return window;
}

// Creates a unit after its parent (the layout may list children first).
HWND create_unit(LoadedWindow& loaded, Unit& unit, int depth = 0) {
  if (unit.window) return unit.window;
  if (!unit.record->usable() || depth > static_cast<int>(loaded.units.size())) return nullptr;
  HWND parent = loaded.window;
  if (unit.record->parent != 0) {
    auto found = std::find_if(loaded.units.begin(), loaded.units.end(),
                              [&](const auto& candidate) { return candidate->id == unit.record->parent; });
    if (found == loaded.units.end()) return nullptr;
    parent = create_unit(loaded, **found, depth + 1);
    if (!parent) return nullptr;
  }
  return create_unit_window(unit, parent);
}

void forget_window(HWND window) {
  auto& state = system_state();
  state.unit_of.erase(window);
  const auto found = std::find_if(state.windows.begin(), state.windows.end(),
                                  [window](const auto& loaded) { return loaded->window == window; });
  if (found == state.windows.end()) return;
  if ((*found)->hidden_owner) DestroyWindow((*found)->hidden_owner);
  // The children are gone by now (WM_NCDESTROY reaches the parent last).
  for (const auto& unit : (*found)->units) {
    if (unit->window) state.unit_of.erase(unit->window);
  }
  state.windows.erase(found);
  if (!any_window_exists() && state.message_loop_running) PostQuitMessage(0);
}

}  // namespace

bool window_system_start(const ByteSet& block, HandlerTable handlers) {
  auto decoded = layout::decode_window_layout(block);
  if (!decoded) return false;
  auto& state = system_state();
  state.layouts.push_back(std::move(*decoded));
  state.handlers.assign(handlers.begin(), handlers.end());
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  register_classes();
  return true;
}

ByteSet layout_block_resource(HMODULE module, int resource_id) {
  HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(resource_id), MAKEINTRESOURCEW(10));  // RT_RCDATA
  if (!resource) return {};
  HGLOBAL loaded = LoadResource(module, resource);
  const auto* bytes = static_cast<const std::uint8_t*>(loaded ? LockResource(loaded) : nullptr);
  if (!bytes) return {};
  return ByteSet(bytes, bytes + SizeofResource(module, resource));
}

bool load_window(std::uint32_t window_id, HWND parent, bool modal) {
  auto& state = system_state();
  const auto layout =
      std::find_if(state.layouts.begin(), state.layouts.end(),
                   [window_id](const auto& candidate) { return candidate.window_id == window_id; });
  if (layout == state.layouts.end()) return false;

  auto loaded = std::make_unique<LoadedWindow>();
  loaded->window_id = window_id;
  loaded->layout = &*layout;
  for (std::size_t i = 0; i < layout->units.size(); ++i) {
    auto unit = std::make_unique<Unit>();
    unit->id = layout->unit_ids[i];
    unit->record = &layout->units[i];
    if (!loaded->window_unit && std::holds_alternative<layout::WindowData>(layout->units[i].data)) {
      loaded->window_unit = unit.get();
    }
    loaded->units.push_back(std::move(unit));
  }
  if (!loaded->window_unit) return false;
  LoadedWindow& window = *loaded;
  state.windows.push_back(std::move(loaded));

  window.window = create_main(window, *window.window_unit, parent);
  if (!window.window) {
    state.windows.pop_back();
    return false;
  }
  HWND shape_box = nullptr;
  for (auto& unit : window.units) {
    if (unit.get() == window.window_unit) continue;
    HWND created = create_unit(window, *unit);
    if (created && std::holds_alternative<layout::ShapeBoxData>(unit->record->data) &&
        unit->record->parent == 0) {
      shape_box = created;
    }
  }
  // A background shape box lies under its siblings, whatever the creation order.
  if (shape_box) SetWindowPos(shape_box, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

  const auto& d = std::get<layout::WindowData>(window.window_unit->record->data);
  const int show = d.start_position == 2                                ? SW_SHOWMINIMIZED
                   : d.start_position == 3 && (d.border_style % 2 == 1) ? SW_SHOWMAXIMIZED
                                                                        : SW_SHOW;
  HWND created_window = window.window;
  const std::uint32_t own_id = window.window_unit->id;
  if (window.window_unit->record->visible()) {
    ShowWindow(created_window, show);
    UpdateWindow(created_window);
  }
  if (Unit* unit = loaded_unit(window_id, own_id)) fire_plain_event(*unit, layout::kEventOwn);

  if (modal && parent) {
    EnableWindow(parent, FALSE);
    MSG message{};
    while (IsWindow(created_window) && GetMessageW(&message, nullptr, 0, 0) > 0) {
      if (!IsDialogMessageW(created_window, &message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
    }
    EnableWindow(parent, TRUE);
    SetActiveWindow(parent);
  }
  return true;
}

bool any_window_exists() {
  const auto& windows = system_state().windows;
  return std::any_of(windows.begin(), windows.end(), [](const auto& w) { return w->window != nullptr; });
}

void run_message_loop() {
  auto& state = system_state();
  state.message_loop_running = true;
  if (!any_window_exists()) return;
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    HWND top = GetAncestor(message.hwnd, GA_ROOT);
    // Tab and the default button, as in a dialog.
    if (top && find_unit(top) && IsDialogMessageW(top, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

HWND unit_window(std::uint32_t window_id, std::uint32_t unit_id) {
  Unit* unit = loaded_unit(window_id, unit_id);
  return unit ? unit->window : nullptr;
}

namespace {

bool is_edit_box(const Unit& unit) { return std::holds_alternative<layout::EditBoxData>(unit.record->data); }

bool unit_visible(const Unit& unit) { return (GetWindowLongW(unit.window, GWL_STYLE) & WS_VISIBLE) != 0; }

Text unit_text(const Unit& unit) {
  const int length = GetWindowTextLengthW(unit.window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(unit.window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(0, copied)));
  return wide_to_local(text);
}

Unit* existing_unit(std::uint32_t window_id, std::uint32_t unit_id) {
  Unit* unit = loaded_unit(window_id, unit_id);
  return unit && unit->window ? unit : nullptr;
}

}  // namespace

UnitValue read_unit_property(std::uint32_t window_id, std::uint32_t unit_id, int property_index) {
  const Unit* unit = existing_unit(window_id, unit_id);
  if (unit && property_index == kPropertyVisible) return unit_visible(*unit);
  if (unit && property_index == kPropertyContent && is_edit_box(*unit)) return unit_text(*unit);
  return std::monostate{};
}

bool write_unit_property(std::uint32_t window_id, std::uint32_t unit_id, int property_index,
                         const UnitValue& value) {
  if (property_index == kPropertyVisible) {
    const bool* visible = std::get_if<bool>(&value);
    return visible && write_unit_visible(window_id, unit_id, *visible);
  }
  if (property_index == kPropertyContent) {
    const Text* text = std::get_if<Text>(&value);
    return text && write_unit_text(window_id, unit_id, *text);
  }
  return false;
}

bool read_unit_visible(std::uint32_t window_id, std::uint32_t unit_id) {
  const Unit* unit = existing_unit(window_id, unit_id);
  return unit && unit_visible(*unit);
}

Text read_unit_text(std::uint32_t window_id, std::uint32_t unit_id) {
  const Unit* unit = existing_unit(window_id, unit_id);
  return unit && is_edit_box(*unit) ? unit_text(*unit) : Text();
}

bool write_unit_visible(std::uint32_t window_id, std::uint32_t unit_id, bool visible) {
  Unit* unit = existing_unit(window_id, unit_id);
  if (!unit) return false;
  ShowWindow(unit->window, visible ? SW_SHOWNA : SW_HIDE);
  return true;
}

bool write_unit_text(std::uint32_t window_id, std::uint32_t unit_id, const Text& text) {
  Unit* unit = existing_unit(window_id, unit_id);
  if (!unit || !is_edit_box(*unit)) return false;
  return SetWindowTextW(unit->window, local_to_wide(text).c_str()) != FALSE;
}
