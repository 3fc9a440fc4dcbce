#include "tests/skin/test_window_win32.h"

#include "tests/support/screen_pixels_win32.h"

namespace {

constexpr wchar_t kClassName[] = L"TarnvexSkinTestWindow";
constexpr int kClientWidth = 300;
constexpr int kClientHeight = 200;

void register_class() {
  static const bool registered = [] {
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = DefWindowProcW;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = kClassName;
    return RegisterClassW(&window_class) != 0;
  }();
  (void)registered;
}

HWND child(HWND parent, const wchar_t* class_name, const wchar_t* text, DWORD style, int x, int y, int width,
           int height) {
  return CreateWindowExW(0, class_name, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, parent,
                         nullptr, GetModuleHandleW(nullptr), nullptr);
}

}  // namespace

TestWindow::TestWindow(const wchar_t* edit_text) {
  register_class();
  RECT outer{0, 0, kClientWidth, kClientHeight};
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  AdjustWindowRect(&outer, style, FALSE);
  frame_ = CreateWindowExW(0, kClassName, L"Skin test", style, 40, 40, outer.right - outer.left,
                           outer.bottom - outer.top, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  edit_ = child(frame_, L"Edit", edit_text, WS_BORDER | ES_AUTOHSCROLL, 10, 10, 120, 24);
  read_only_edit_ = child(frame_, L"Edit", L"", ES_READONLY | ES_AUTOHSCROLL, 10, 44, 120, 24);
  label_ = child(frame_, L"Static", L"ab", SS_LEFT, 10, 78, 120, 20);
  button_ = child(frame_, L"Button", L"Go", BS_PUSHBUTTON | BS_MULTILINE, 150, 10, 100, 30);
  const auto gui_font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
  for (HWND control : {edit_, read_only_edit_, label_, button_})
    SendMessageW(control, WM_SETFONT, gui_font, TRUE);
  ShowWindow(frame_, SW_SHOWNORMAL);
  SetForegroundWindow(frame_);
  settle();
}

TestWindow::~TestWindow() {
  if (IsWindow(frame_)) DestroyWindow(frame_);
  pump_messages();
}

void TestWindow::settle() const {
  pump_messages();
  RedrawWindow(frame_, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  pump_messages();
  GdiFlush();
}

COLORREF TestWindow::pixel(Point client) const { return screen_pixel(frame_, client.x, client.y); }

std::vector<COLORREF> TestWindow::snapshot() const { return screen_snapshot(frame_); }
