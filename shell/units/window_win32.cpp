// The window itself as a unit: a top-level window of the border style,
// boxes and position its record gives; a container of the other units.
#include <memory>
#include <string>

#include "common/codepage_win32.h"
#include "shell/resource_ids.h"
#include "shell/units/unit_win32.h"
#include "shell/window_system_win32.h"

namespace units {

namespace {

// A hidden owner keeps the window out of the taskbar; it goes with the unit.
struct WindowState : KindState {
  HWND hidden_owner = nullptr;
  ~WindowState() override {
    if (hidden_owner) DestroyWindow(hidden_owner);
  }
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
    state->hidden_owner = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                          program_instance(), nullptr);
    owner = state->hidden_owner;
  }
  unit.state = std::move(state);
  const std::wstring caption = gbk_to_wide(Text(d.caption));
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

bool message(Unit& unit, UINT message, WPARAM wparam, LPARAM, LRESULT& result) {
  if (message != WM_ERASEBKGND) return false;
  RECT client{};
  GetClientRect(unit.window, &client);
  fill(reinterpret_cast<HDC>(wparam), client,
       colour_of(std::get<layout::WindowData>(unit.record->data).background_colour));
  result = 1;
  return true;
}

}  // namespace

const KindEntry kWindowKind{
    .class_name = kWindowClass, .create = create, .message = message, .class_icon = TARNVEX_ICON_DEFAULT};

}  // namespace units
