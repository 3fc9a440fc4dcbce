// The window itself as a unit: a top-level window of the border style,
// boxes and position its record gives; a container of the other units.
#include <memory>
#include <string>

#include "common/codepage_win32.h"
#include "shell/display_rules.h"
#include "shell/resource_ids.h"
#include "shell/units/unit_win32.h"

namespace units {

namespace {

constexpr wchar_t kClassName[] = L"TarnvexWindow";

// A hidden owner keeps the window out of the taskbar; it goes with the unit.
struct WindowState : KindState {
  Owned<HWND, &DestroyWindow> hidden_owner;
};

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

// The window's outer size at `dpi`: the layout's, or at another DPI its client
// area scaled and the frame the system draws at that DPI around it.
SIZE outer_size(const UnitRecord& record, const WindowStyles& styles, UINT dpi) {
  if (dpi == kBaseDpi) return {record.width, record.height};
  RECT frame_at_layout_dpi{};
  adjust_window_rect(frame_at_layout_dpi, styles.style, styles.ex_style, kBaseDpi);
  RECT frame{};
  adjust_window_rect(frame, styles.style, styles.ex_style, dpi);
  const int client_width = record.width - (frame_at_layout_dpi.right - frame_at_layout_dpi.left);
  const int client_height = record.height - (frame_at_layout_dpi.bottom - frame_at_layout_dpi.top);
  return {scaled(client_width, dpi) + frame.right - frame.left,
          scaled(client_height, dpi) + frame.bottom - frame.top};
}

// `parent` is the window's owner; the child style bits do not apply to it.
HWND create(Unit& unit, HWND parent, DWORD) {
  const auto& record = *unit.record;
  const auto& d = std::get<layout::WindowData>(record.data);
  const WindowStyles styles = window_styles(d);
  int left = record.left;
  int top = record.top;
  if (d.start_position == 1) {
    left = (GetSystemMetrics(SM_CXSCREEN) - record.width) / 2;
    top = (GetSystemMetrics(SM_CYSCREEN) - record.height) / 2;
  }
  auto state = std::make_unique<WindowState>();
  HWND owner = parent;
  if (!owner && d.shown_in_taskbar == 0) {
    state->hidden_owner.reset(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                              program_instance(), nullptr));
    owner = state->hidden_owner.get();
  }
  unit.state = std::move(state);
  const std::wstring caption = gbk_to_wide(Text(d.caption));
  HWND window = CreateWindowExW(styles.ex_style, kClassName, caption.c_str(), styles.style, left, top,
                                record.width, record.height, owner, nullptr, program_instance(), &unit);
  if (!window) return nullptr;
  // Only now is the DPI of the window's monitor known.
  unit.dpi = window_dpi(window);
  const SIZE wanted = outer_size(record, styles, unit.dpi);
  RECT outer{};
  GetWindowRect(window, &outer);
  if (outer.right - outer.left != wanted.cx || outer.bottom - outer.top != wanted.cy) {
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    if (d.start_position == 1 && unit.dpi != kBaseDpi) {
      left = (GetSystemMetrics(SM_CXSCREEN) - wanted.cx) / 2;
      top = (GetSystemMetrics(SM_CYSCREEN) - wanted.cy) / 2;
    } else {
      flags |= SWP_NOMOVE;
    }
    SetWindowPos(window, nullptr, left, top, wanted.cx, wanted.cy, flags);
  }
  SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(default_gui_font(unit.dpi)), FALSE);
  if (d.close_allowed == 0) DeleteMenu(GetSystemMenu(window, FALSE), SC_CLOSE, MF_BYCOMMAND);
  if (d.icon.empty()) {
    // No icon of its own: the program's default icon.
    auto load_icon = [](int size) {
      return static_cast<HICON>(LoadImageW(program_instance(), MAKEINTRESOURCEW(TARNVEX_ICON_DEFAULT),
                                           IMAGE_ICON, size, size, LR_SHARED));
    };
    SendMessageW(window, WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(load_icon(system_metric(SM_CXICON, unit.dpi))));
    SendMessageW(window, WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(load_icon(system_metric(SM_CXSMICON, unit.dpi))));
  }
  return window;
}

// Moved to a monitor of another DPI: the suggested rectangle, then every unit
// and font at the new DPI.
void change_dpi(Unit& unit, UINT dpi, const RECT& suggested) {
  unit.dpi = dpi;
  SetWindowPos(unit.window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageW(unit.window, WM_SETFONT, reinterpret_cast<WPARAM>(default_gui_font(dpi)), FALSE);
  rescale_units(unit.window, dpi);
  RedrawWindow(unit.window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

bool message(Unit& unit, UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
  if (message == WM_DPICHANGED) {
    change_dpi(unit, HIWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
    result = 0;
    return true;
  }
  if (message != WM_ERASEBKGND) return false;
  RECT client{};
  GetClientRect(unit.window, &client);
  fill(reinterpret_cast<HDC>(wparam), client,
       colour_of(std::get<layout::WindowData>(unit.record->data).background_colour));
  result = 1;
  return true;
}

// Minimised, maximised (a resizable border only) or as it is, as its start position says.
int show_command(const Unit& unit) {
  const auto& d = std::get<layout::WindowData>(unit.record->data);
  if (d.start_position == 2) return SW_SHOWMINIMIZED;
  return d.start_position == 3 && (d.border_style % 2 == 1) ? SW_SHOWMAXIMIZED : SW_SHOW;
}

}  // namespace

}  // namespace units

const units::KindEntry& layout::WindowData::behaviour() {
  static constexpr units::KindEntry kEntry{.class_name = units::kClassName,
                                           .create = units::create,
                                           .message = units::message,
                                           .class_icon = TARNVEX_ICON_DEFAULT,
                                           .top_level = true,
                                           .show_command = units::show_command};
  return kEntry;
}
