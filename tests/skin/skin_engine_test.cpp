// Our engine, SkinH_EL.dll, loaded from beside this test program and applied to
// a real window under the display the test session gives us.
#include <windows.h>

#include <gtest/gtest.h>

#include <process.h>

#include <fstream>
#include <random>
#include <tuple>

#include "skin_engine/skin_format.h"
#include "tests/skin/test_window_win32.h"
#include "tests/support/dialogs_win32.h"
#include "tests/support/screen_pixels_win32.h"
#include "tests/support/user_settings_win32.h"

namespace {

using AttachRes = int(WINAPI*)(const unsigned char*, int, const char*, int, int, int);
using Detach = void(WINAPI*)();

COLORREF rgb(skin::Colour colour) { return RGB(colour.red, colour.green, colour.blue); }

// Every colour different from the others and from the system's own.
skin::Skin test_skin() {
  skin::Skin look;
  look.colours = {
      {"window.background", {0x20, 0x40, 0x60}},  {"edit.background", {0xF0, 0xE0, 0x10}},
      {"edit.text", {0x80, 0x00, 0x80}},          {"edit.readonly.background", {0x10, 0xA0, 0x30}},
      {"edit.readonly.text", {0xFF, 0xFF, 0xFF}}, {"edit.border", {0xC0, 0x10, 0x10}},
      {"label.background", {0x30, 0x30, 0xB0}},   {"label.text", {0xFF, 0xF0, 0xF0}},
      {"button.face", {0x00, 0x70, 0x70}},        {"button.pressed", {0x70, 0x30, 0x00}},
      {"button.text", {0xFF, 0xFF, 0x00}},        {"button.border", {0x01, 0x02, 0x03}},
  };
  look.font = skin::Font{-15, 700, false, false, "Tahoma"};
  return look;
}

class SkinEngine : public ::testing::Test {
 protected:
  void SetUp() override {
    engine_ = LoadLibraryW(L"SkinH_EL.dll");
    ASSERT_NE(engine_, nullptr);
    attach_ =
        reinterpret_cast<AttachRes>(reinterpret_cast<void*>(GetProcAddress(engine_, "SkinH_AttachRes")));
    ASSERT_NE(attach_, nullptr);
    detach_ = reinterpret_cast<Detach>(reinterpret_cast<void*>(GetProcAddress(engine_, "SkinH_Detach")));
    ASSERT_NE(detach_, nullptr);
  }
  void TearDown() override {
    if (engine_ != nullptr) unload();
    pump_messages();
  }

  int attach(const std::vector<std::uint8_t>& bytes) {
    return attach_(bytes.empty() ? nullptr : bytes.data(), static_cast<int>(bytes.size()), nullptr, 0, 0, 0);
  }

  // As the program's end sequence does: detach, then free.
  void unload() {
    detach_();
    FreeLibrary(engine_);
    engine_ = nullptr;
  }

  HMODULE engine_ = nullptr;
  AttachRes attach_ = nullptr;
  Detach detach_ = nullptr;
};

void expect_pixel(const TestWindow& window, Point point, COLORREF expected, const char* what) {
  window.settle_until([&] { return window.pixel(point) == expected; });
  const COLORREF seen = window.pixel(point);
  EXPECT_EQ(colour_text(seen), colour_text(expected)) << what << " at " << point.x << "," << point.y;
}

LOGFONTW font_of(HWND control) {
  LOGFONTW font{};
  HGDIOBJ handle = reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0));
  if (handle != nullptr) GetObjectW(handle, sizeof font, &font);
  return font;
}

// What a skin changes besides the pixels: the procedures, the button's style, the edit box's font.
auto handles_of(const TestWindow& window) {
  return std::tuple{
      GetWindowLongPtrW(window.edit(), GWLP_WNDPROC), GetWindowLongPtrW(window.frame(), GWLP_WNDPROC),
      GetWindowLongPtrW(window.button(), GWL_STYLE), SendMessageW(window.edit(), WM_GETFONT, 0, 0)};
}

TEST_F(SkinEngine, GoodSkinColoursTheWindow) {
  TestWindow window(L"MMMM");
  const skin::Skin look = test_skin();
  ASSERT_EQ(attach(skin::encode(look)), 0);

  for (const auto& [point, name] : {std::pair{TestWindow::kBackground, "window.background"},
                                    std::pair{TestWindow::kEditInside, "edit.background"},
                                    std::pair{TestWindow::kEditBorder, "edit.border"},
                                    std::pair{TestWindow::kReadOnlyInside, "edit.readonly.background"},
                                    std::pair{TestWindow::kLabelInside, "label.background"},
                                    std::pair{TestWindow::kButtonInside, "button.face"},
                                    std::pair{TestWindow::kButtonBorder, "button.border"}})
    expect_pixel(window, point, rgb(*look.colour(name)), name);
  // Text in the skin's colours: some pixels of the typed text and the caption are exactly that colour.
  EXPECT_TRUE(window.settle_until([&] {
    return screen_shows(window.edit(), rgb(*look.colour("edit.text"))) &&
           screen_shows(window.button(), rgb(*look.colour("button.text")));
  }));

  for (HWND control : {window.edit(), window.read_only_edit(), window.label(), window.button()}) {
    const LOGFONTW font = font_of(control);
    EXPECT_STREQ(font.lfFaceName, L"Tahoma");
    EXPECT_EQ(font.lfHeight, -15);
    EXPECT_EQ(font.lfWeight, 700);
  }
}

TEST_F(SkinEngine, PressedButtonTakesThePressedColour) {
  TestWindow window;
  const skin::Skin look = test_skin();
  ASSERT_EQ(attach(skin::encode(look)), 0);
  SendMessageW(window.button(), BM_SETSTATE, TRUE, 0);
  expect_pixel(window, TestWindow::kButtonInside, rgb(*look.colour("button.pressed")), "pressed button");
  SendMessageW(window.button(), BM_SETSTATE, FALSE, 0);
  expect_pixel(window, TestWindow::kButtonInside, rgb(*look.colour("button.face")), "released button");
}

TEST_F(SkinEngine, DrawnButtonKeepsItsDialogBehaviour) {
  TestWindow window;
  ASSERT_EQ(attach(skin::encode(test_skin())), 0);
  HWND button = window.button();
  EXPECT_EQ(SendMessageW(button, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON);
  // A dialog marks its default button with BM_SETSTYLE; the mark is kept, the drawing stays ours.
  SendMessageW(button, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
  EXPECT_EQ(SendMessageW(button, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_DEFPUSHBUTTON);
  EXPECT_EQ(GetWindowLongPtrW(button, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
  // So does a style set directly.
  SetWindowLongPtrW(button, GWL_STYLE, (GetWindowLongPtrW(button, GWL_STYLE) & ~BS_TYPEMASK) | BS_PUSHBUTTON);
  EXPECT_EQ(GetWindowLongPtrW(button, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
  EXPECT_EQ(SendMessageW(button, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON);
  SendMessageW(button, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
  unload();
  // Unskinned, it is the default push button the dialog asked for.
  EXPECT_EQ(GetWindowLongPtrW(button, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
}

TEST_F(SkinEngine, PartialSkinLeavesTheRestAsItWas) {
  TestWindow window;
  const COLORREF label_before = window.pixel(TestWindow::kLabelInside);
  const COLORREF button_before = window.pixel(TestWindow::kButtonInside);
  skin::Skin look;
  look.colours["edit.background"] = {0x11, 0x99, 0x55};
  ASSERT_EQ(attach(skin::encode(look)), 0);
  expect_pixel(window, TestWindow::kEditInside, RGB(0x11, 0x99, 0x55), "edit box");
  // A read-only edit box without colours of its own takes the edit box colours.
  expect_pixel(window, TestWindow::kReadOnlyInside, RGB(0x11, 0x99, 0x55), "read-only edit box");
  expect_pixel(window, TestWindow::kLabelInside, label_before, "label");
  expect_pixel(window, TestWindow::kButtonInside, button_before, "button");
  EXPECT_STRNE(font_of(window.edit()).lfFaceName, L"Tahoma");
}

std::vector<std::vector<std::uint8_t>> refused_skins() {
  const auto good = skin::encode(test_skin());
  std::vector<std::vector<std::uint8_t>> skins;
  auto wrong_magic = good;
  wrong_magic[3] = 0x46;
  skins.push_back(wrong_magic);
  auto wrong_version = good;
  wrong_version[4] = 2;
  skins.push_back(wrong_version);
  skins.push_back({'M', 'Z', 0x90, 0});
  for (std::size_t length = 1; length < good.size(); length += 3)
    skins.emplace_back(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(length));
  std::mt19937 random(11);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int round = 0; round < 100; ++round) {
    std::vector<std::uint8_t> noise(static_cast<std::size_t>(round * 7 + 1));
    for (auto& value : noise) value = static_cast<std::uint8_t>(byte(random));
    if (noise.size() >= 4 && std::equal(skin::kMagic.begin(), skin::kMagic.end(), noise.begin())) continue;
    skins.push_back(noise);
  }
  return skins;
}

TEST_F(SkinEngine, RefusedSkinsChangeNothing) {
  TestWindow window(L"text");
  const auto before = window.snapshot();
  const auto handles = handles_of(window);
  EXPECT_EQ(attach({}), 1);
  EXPECT_EQ(attach_(nullptr, 100, nullptr, 0, 0, 0), 1);
  EXPECT_EQ(attach_(skin::kMagic.data(), -5, nullptr, 0, 0, 0), 1);
  for (const auto& refused : refused_skins())
    EXPECT_NE(attach(refused), 0) << "a skin of " << refused.size() << " bytes";

  EXPECT_TRUE(window.settle_until([&] { return window.snapshot() == before; }))
      << "the window's pixels changed";
  EXPECT_EQ(handles_of(window), handles);
}

TEST_F(SkinEngine, RefusedSkinKeepsTheSkinAlreadyApplied) {
  TestWindow window;
  const skin::Skin look = test_skin();
  ASSERT_EQ(attach(skin::encode(look)), 0);
  expect_pixel(window, TestWindow::kEditInside, rgb(*look.colour("edit.background")), "edit box");
  const auto skinned = window.snapshot();
  auto truncated = skin::encode(look);
  truncated.pop_back();
  EXPECT_EQ(attach(truncated), 4);
  EXPECT_TRUE(window.settle_until([&] { return window.snapshot() == skinned; }));
}

TEST_F(SkinEngine, HostileSkinsBehindAGoodHeadDoNotCrash) {
  TestWindow window;
  std::mt19937 random(5);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int round = 0; round < 300; ++round) {
    std::vector<std::uint8_t> bytes(skin::kMagic.begin(), skin::kMagic.end());
    bytes.insert(bytes.end(), {1, 0});
    const std::size_t tail = static_cast<std::size_t>(round % 60);
    for (std::size_t index = 0; index < tail; ++index)
      bytes.push_back(static_cast<std::uint8_t>(byte(random)));
    const int result = attach(bytes);
    EXPECT_TRUE(result == 0 || result == 4) << result;
  }
  window.settle();
  EXPECT_TRUE(IsWindow(window.frame()));
}

TEST_F(SkinEngine, SecondSkinReplacesTheFirst) {
  TestWindow window;
  ASSERT_EQ(attach(skin::encode(test_skin())), 0);
  skin::Skin second = test_skin();
  second.colours["edit.background"] = {0x05, 0x06, 0x07};
  second.colours.erase("button.face");
  ASSERT_EQ(attach(skin::encode(second)), 0);
  expect_pixel(window, TestWindow::kEditInside, RGB(0x05, 0x06, 0x07), "edit box");
  // Without a face colour the button is the system's own again.
  EXPECT_EQ(GetWindowLongPtrW(window.button(), GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
}

TEST_F(SkinEngine, WindowsCreatedLaterAreSkinned) {
  TestWindow window;
  const skin::Skin look = test_skin();
  ASSERT_EQ(attach(skin::encode(look)), 0);
  HWND late = CreateWindowExW(0, L"Edit", L"", WS_CHILD | WS_VISIBLE, 10, 120, 120, 24, window.frame(),
                              nullptr, GetModuleHandleW(nullptr), nullptr);
  // The creator's own font is replaced by the skin's, as for the first controls.
  SendMessageW(late, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
  expect_pixel(window, Point{60, 130}, rgb(*look.colour("edit.background")), "edit box made after the skin");
  EXPECT_STREQ(font_of(late).lfFaceName, L"Tahoma");
}

// Set by a timer that runs inside the message box's own loop.
// A box it never finds is ended after 5 s by a quit message, which ends any
// modal loop, so the test fails there instead of at CTest's limit.
struct SeenBox {
  bool found = false;
  bool ok_drawn_by_skin = false;
  int ticks = 0;
};
SeenBox g_seen_box;

void CALLBACK inspect_and_close_box(HWND, UINT, UINT_PTR timer, DWORD) {
  const HWND box = find_message_box(GetCurrentProcessId());
  if (box == nullptr && ++g_seen_box.ticks == 50) KillTimer(nullptr, timer), PostQuitMessage(0);
  if (box == nullptr) return;
  KillTimer(nullptr, timer);
  g_seen_box.found = true;
  HWND ok = GetDlgItem(box, IDOK);
  g_seen_box.ok_drawn_by_skin = (GetWindowLongPtrW(ok, GWL_STYLE) & BS_TYPEMASK) == BS_OWNERDRAW;
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
}

TEST_F(SkinEngine, MessageBoxesShownLaterAreSkinnedAndStillWork) {
  TestWindow window;
  ASSERT_EQ(attach(skin::encode(test_skin())), 0);
  g_seen_box = SeenBox{};
  SetTimer(nullptr, 0, 100, &inspect_and_close_box);
  EXPECT_EQ(MessageBoxW(window.frame(), L"skinned box", L"caption", MB_OK), IDOK);
  MSG quit;
  PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);  // the box passes it on
  EXPECT_TRUE(g_seen_box.found);
  EXPECT_TRUE(g_seen_box.ok_drawn_by_skin);
}

TEST_F(SkinEngine, DetachAndUnloadGiveTheWindowsTheirOwnLookBack) {
  TestWindow window(L"MMMM");
  const auto before = window.snapshot();
  const auto handles = handles_of(window);
  ASSERT_EQ(attach(skin::encode(test_skin())), 0);
  ASSERT_TRUE(window.settle_until([&] { return !(window.snapshot() == before); }));

  unload();
  // Messages after the unload must reach the windows' own procedures, not freed
  // code, and the controls must not keep the skin's deleted font.
  EXPECT_TRUE(window.settle_until([&] { return window.snapshot() == before; }))
      << "the window looks different after unloading";
  EXPECT_EQ(handles_of(window), handles);
}

// Someone who subclasses the edit box after the engine, the old way.
WNDPROC g_edit_under_later = nullptr;
int g_later_messages = 0;

LRESULT CALLBACK later_edit_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  ++g_later_messages;
  return CallWindowProcW(g_edit_under_later, window, message, wparam, lparam);
}

TEST_F(SkinEngine, WindowSubclassedAfterTheEngineKeepsWorkingAfterTheUnload) {
  TestWindow window(L"MMMM");
  const auto before = window.snapshot();
  ASSERT_EQ(attach(skin::encode(test_skin())), 0);
  g_edit_under_later = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(window.edit(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&later_edit_procedure)));
  unload();
  g_later_messages = 0;
  EXPECT_TRUE(window.settle_until([&] { return window.snapshot() == before; }))
      << "the window looks different after unloading";
  EXPECT_GT(g_later_messages, 0);
}

TEST_F(SkinEngine, DestroyedWindowsAreForgotten) {
  {
    TestWindow first;
    ASSERT_EQ(attach(skin::encode(test_skin())), 0);
  }
  // A new window may get a handle value of the old one; what was kept for that is gone.
  TestWindow second;
  skin::Skin look;
  look.colours["edit.background"] = {0x44, 0x55, 0x66};
  ASSERT_EQ(attach(skin::encode(look)), 0);
  expect_pixel(second, TestWindow::kEditInside, RGB(0x44, 0x55, 0x66), "edit box of the second window");
}

// The skin's font at another DPI, seen in a copy of this program started while
// the system DPI is 144 (Wine reads LogPixels when a program starts). The copy
// writes the height it found into the file its environment names, so a copy
// that ran no test leaves no height behind.
constexpr wchar_t kDpiChildVariable[] = L"TARNVEX_SKIN_DPI_CHILD";

TEST_F(SkinEngine, DpiChildFontIsScaled) {
  wchar_t report[MAX_PATH] = {};
  if (GetEnvironmentVariableW(kDpiChildVariable, report, MAX_PATH) == 0)
    GTEST_SKIP() << "run by FontFollowsTheDpi";
  using SetAwareness = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
  if (auto set_awareness = reinterpret_cast<SetAwareness>(reinterpret_cast<void*>(
          GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext")))) {
    set_awareness(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  }
  TestWindow window;
  ASSERT_EQ(attach(skin::encode(test_skin())), 0);
  std::ofstream(report) << font_of(window.edit()).lfHeight;
}

TEST(SkinEngineDpi, FontFollowsTheDpi) {
  const ScopedUserSetting dpi(L"Control Panel\\Desktop", L"LogPixels", DWORD{144});
  ASSERT_TRUE(dpi.set());
  wchar_t program[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  wchar_t report[MAX_PATH] = {};
  GetTempFileNameW(L".", L"dpi", 0, report);
  SetEnvironmentVariableW(kDpiChildVariable, report);
  const auto exit_code =
      _wspawnl(_P_WAIT, program, program, L"--gtest_filter=SkinEngine.DpiChildFontIsScaled", nullptr);
  SetEnvironmentVariableW(kDpiChildVariable, nullptr);
  EXPECT_EQ(exit_code, 0);
  long height = 0;
  EXPECT_TRUE(std::ifstream(report) >> height) << "the copy ran no test";
  EXPECT_EQ(height, -23);  // -15 at 96 dpi, times 1.5
  DeleteFileW(report);
}

}  // namespace
