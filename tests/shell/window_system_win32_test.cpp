// The window system in this process: the main window's real layout block
// (carried by this test exe) and a test layout of our own, both bound to a
// handler table that records every call.
#include "shell/window_system_win32.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <stdexcept>
#include <utility>
#include <variant>
#include <vector>

#include "extract/main_window_units.h"
#include "common/win32/gdi.h"
#include "common/win32/module.h"
#include "shell/layout_writer.h"
#include "shell/main_window.h"
#include "shell/resource_ids.h"
#include "tests/support/main_window_rects.h"
#include "tests/support/program_win32.h"
#include "tests/support/screen_pixels_win32.h"

namespace {

using namespace main_window;

struct Call {
  int slot, x, y, keys;
  bool operator==(const Call&) const = default;
};
std::vector<Call> g_calls;
bool g_units_existed_when_created = false;
int g_created_count = 0;

bool g_queue_input_and_throw = false;

template <int Slot>
void record_plain() {
  g_calls.push_back({Slot, 0, 0, 0});
  if (Slot == kHandlerGetAddress && std::exchange(g_queue_input_and_throw, false)) {
    // Input made while the handler blocked without pumping, then an abnormal end.
    PostMessageW(unit_window(kWindow, kButtonGet), BM_CLICK, 0, 0);
    PostMessageW(unit_window(kWindow, kLinkCopy), WM_LBUTTONDOWN, MK_LBUTTON, 0);
    throw std::runtime_error("the handler failed");
  }
}
void record_created() {
  g_units_existed_when_created = unit_window(kWindow, kShapeBack) && unit_window(kWindow, kEditSource) &&
                                 unit_window(kWindow, kLinkOpen) && unit_window(kWindow, kPictureBanner);
  ++g_created_count;
}
template <int Slot>
void record_mouse(int x, int y, int keys) {
  g_calls.push_back({Slot, x, y, keys});
}
template <int Slot>
bool keep_from_control(int x, int y, int keys) {
  g_calls.push_back({Slot, x, y, keys});
  return false;
}

// Slots 0-3 are the program's; the test layout uses the rest.
constexpr int kSlotFirstMouse = 4;  // -1 .. -6 bound to 4 .. 9
constexpr int kSlotKeep = 10;
constexpr int kSlotPass = 11;
constexpr int kSlotFocusGained = 12;
constexpr int kSlotFocusLost = 13;
const std::array<EventHandler, 14> kHandlers{
    EventHandler(record_created),   EventHandler(record_plain<1>),       EventHandler(record_mouse<2>),
    EventHandler(record_mouse<3>),  EventHandler(record_mouse<4>),       EventHandler(record_mouse<5>),
    EventHandler(record_mouse<6>),  EventHandler(record_mouse<7>),       EventHandler(record_mouse<8>),
    EventHandler(record_mouse<9>),  EventHandler(keep_from_control<10>), EventHandler(record_mouse<11>),
    EventHandler(record_plain<12>), EventHandler(record_plain<13>),
};

// ---- a test layout ----

constexpr std::uint32_t kTestWindow = 0x52000001;
constexpr std::uint32_t kTestWindowUnit = 0x06000001;
constexpr std::uint32_t kTestLabel = 0x16000002;
constexpr std::uint32_t kTestShortEdit = 0x16000003;
constexpr std::uint32_t kTestFutureEdit = 0x16000004;
constexpr std::uint32_t kTestKeptEdit = 0x16000005;
constexpr std::uint32_t kTestPassedEdit = 0x16000006;
constexpr std::uint32_t kTestDisabledEdit = 0x16000007;
constexpr std::uint32_t kTestSquare = 0x16000008;

// The main window's layout block, which this test exe carries.
ByteSet carried_block() {
  const auto resource = rcdata_resource(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(TARNVEX_RCDATA_LAYOUT));
  return ByteSet(resource.begin(), resource.end());
}

// A unit of the test layouts; its kind follows from its data.
layout::UnitRecord unit_record(int left, int top, int width, int height, std::uint32_t state1,
                               std::vector<layout::EventBinding> events, layout::KindData data) {
  layout::UnitRecord unit;
  unit.kind = std::visit(
      [](const auto& d) -> std::uint32_t {
        if constexpr (requires { d.kLayoutId; }) return d.kLayoutId;
        return 0;
      },
      data);
  unit.left = left;
  unit.top = top;
  unit.width = width;
  unit.height = height;
  unit.state = {0, state1, 0};
  unit.events = std::move(events);
  unit.data = std::move(data);
  return unit;
}

// A test unit starts as the main window's unit of its kind.
template <typename Data>
Data main_unit(std::uint32_t unit_id) {
  static const layout::WindowLayout window = main_window_layout({});
  return std::get<Data>(window.find_unit(unit_id)->data);
}
using W = layout::WindowData;
using E = layout::EditBoxData;
// A resizable window (border 1) at its stored place, without a minimise box or caption.
W window_with(std::int32_t W::*field, std::int32_t value) {
  auto d = main_unit<W>(kWindowUnit);
  d.border_style = 1;
  d.start_position = 0;
  d.minimize_box = 0;
  d.caption.clear();
  d.*field = value;
  return d;
}
// An edit box with a thin border (style 1).
E edit_with(std::int32_t E::*field = &E::border_style, std::int32_t value = 1) {
  auto d = main_unit<E>(kEditSource);
  d.border_style = 1;
  d.*field = value;
  return d;
}

ByteSet test_layout_block() {
  auto window = window_with(&W::maximize_box, 1);
  window.caption = "window system test";
  auto label = main_unit<layout::LabelData>(kLabelAuthor);
  // Chinese captions: the Song face draws them from its bitmaps, in their exact colours.
  label.caption = "\xCA\xC2\xBC\xFE";  // 事件
  label.words[layout::LabelData::kBackgroundColourWord] = 0x0000ff00;
  auto future_edit = edit_with();
  future_edit.version = 3;
  auto password = edit_with(&E::input_mode, 2);
  password.password_char = '#';
  password.max_length = 7;
  auto square = main_unit<layout::ShapeBoxData>(kShapeBack);
  square.shape = 1;
  square.background_colour = 0x00ffffff;
  square.line_type = 0;
  square.fill_colour = 0x000000ff;

  std::vector<layout::EventBinding> mouse_events;
  for (int i = 0; i < 6; ++i) mouse_events.push_back({-1 - i, kSlotFirstMouse + i});
  return layout::encode_window_layout(
      {.window_id = kTestWindow,
       .unit_ids = {kTestWindowUnit, kTestLabel, kTestShortEdit, kTestFutureEdit, kTestKeptEdit,
                    kTestPassedEdit, kTestDisabledEdit, kTestSquare},
       .units = {
           unit_record(10, 20, 300, 200, 1, {}, window),
           unit_record(10, 10, 100, 30, 1, mouse_events, label),
           unit_record(10, 50, 100, 5, 5, {}, edit_with()),
           unit_record(10, 60, 100, 20, 5, {}, future_edit),
           unit_record(10, 90, 100, 20, 5, {{layout::kEventLeftDown, kSlotKeep}}, edit_with()),
           unit_record(10, 120, 100, 20, 5,
                       {{layout::kEventLeftDown, kSlotPass},
                        {layout::kEventFocusGained, kSlotFocusGained},
                        {layout::kEventFocusLost, kSlotFocusLost}},
                       edit_with()),
           unit_record(120, 120, 100, 20, 7, {}, password),
           unit_record(200, 10, 60, 40, 1, {}, square),
       }});
}

// The font a unit answers WM_GETFONT with; all zero for none.
LOGFONTW font_of(HWND window) {
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof font, &font);
  return font;
}

// Each test gets both windows fresh from their layouts and destroys them after
// (under Wine unmanaged, which CTest sets up: a managed window makes Wine wait
// 2 s at its destruction for a window manager that Xvfb lacks).
class WindowSystem : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_FALSE(carried_block().empty());
    ASSERT_TRUE(window_system_start(carried_block(), kHandlers));
    ASSERT_TRUE(window_system_start(test_layout_block(), kHandlers));
  }
  void SetUp() override {
    g_created_count = 0;
    ASSERT_TRUE(load_window(kWindow, nullptr, false));
    ASSERT_TRUE(load_window(kTestWindow, nullptr, false));
    pump_messages();
    g_calls.clear();
  }
  void TearDown() override {
    DestroyWindow(unit_window(kWindow, kWindow));
    DestroyWindow(unit_window(kTestWindow, kTestWindow));
    pump_messages();
  }
};

TEST_F(WindowSystem, CreatedEventRunsOnceAfterEveryUnitExists) {
  // Both windows were loaded by the set-up: only the main one binds its created event.
  ASSERT_NE(unit_window(kWindow, kWindow), nullptr);
  EXPECT_EQ(g_created_count, 1);
  EXPECT_TRUE(g_units_existed_when_created);
  EXPECT_EQ(unit_window(kWindow, kWindowUnit), unit_window(kWindow, kWindow));
}

TEST_F(WindowSystem, HyperlinkFontKeepsItsFieldsAndReplacesCharsetAndQuality) {
  for (std::uint32_t link : {kLinkOpen, kLinkCopy}) {
    const LOGFONTW f = font_of(unit_window(kWindow, link));
    EXPECT_STREQ(f.lfFaceName, L"宋体");
    // Height, weight, underline, italic; the charset (stored 134) and quality replaced; the rest 0.
    EXPECT_EQ((std::array<LONG, 9>{f.lfHeight, f.lfWeight, f.lfUnderline, f.lfItalic, f.lfCharSet,
                                   f.lfQuality, f.lfOutPrecision, f.lfClipPrecision, f.lfPitchAndFamily}),
              (std::array<LONG, 9>{-12, 400, 1, 0, 1, 2, 0, 0, 0}))
        << std::hex << link;
  }
}

TEST_F(WindowSystem, UnitsWithoutAFontUseTheDefaultGuiFont) {
  const auto stock = reinterpret_cast<LRESULT>(GetStockObject(DEFAULT_GUI_FONT));
  for (std::uint32_t unit : {kEditSource, kEditAutoplay, kButtonGet, kLabelAuthor, kWindow})
    EXPECT_EQ(SendMessageW(unit_window(kWindow, unit), WM_GETFONT, 0, 0), stock) << std::hex << unit;
}

TEST_F(WindowSystem, SelfDrawnUnitsKeepASentFontAndAnswerLikeStandardControls) {
  const auto fixed = reinterpret_cast<WPARAM>(GetStockObject(ANSI_FIXED_FONT));
  write_unit_property(kWindow, kLinkCopy, kPropertyVisible, true);  // a hidden window takes no redraw
  for (std::uint32_t unit : {kWindow, kLinkCopy, kLabelAuthor, kPictureBanner, kShapeBack}) {
    HWND window = unit_window(kWindow, unit);
    const LRESULT own = SendMessageW(window, WM_GETFONT, 0, 0);
    ValidateRect(window, nullptr);
    SendMessageW(window, WM_SETFONT, fixed, FALSE);
    EXPECT_EQ(SendMessageW(window, WM_GETFONT, 0, 0), static_cast<LRESULT>(fixed)) << std::hex << unit;
    RECT update{};
    EXPECT_FALSE(GetUpdateRect(window, &update, FALSE)) << "no redraw asked " << std::hex << unit;
    SendMessageW(window, WM_SETFONT, static_cast<WPARAM>(own), TRUE);
    EXPECT_EQ(SendMessageW(window, WM_GETFONT, 0, 0), own);
    EXPECT_TRUE(GetUpdateRect(window, &update, FALSE)) << "redraw asked " << std::hex << unit;
  }
  HWND label = unit_window(kWindow, kLabelAuthor);
  wchar_t text[32]{};
  EXPECT_EQ(SendMessageW(label, WM_GETTEXTLENGTH, 0, 0), 11);
  EXPECT_EQ(SendMessageW(label, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text)), 11);
  EXPECT_STREQ(text, L"作者：Merrowin");
  write_unit_property(kWindow, kLinkCopy, kPropertyVisible, false);
  pump_messages();
}

struct ColourCase {
  std::uint32_t unit;
  UINT message;
  COLORREF text, background;
};

TEST_F(WindowSystem, EditBoxesAnswerWithTheirOwnColours) {
  const ColourCase cases[] = {
      {kEditSource, WM_CTLCOLOREDIT, RGB(0, 0, 0), RGB(255, 255, 255)},
      // A read-only edit asks with WM_CTLCOLORSTATIC.
      {kEditAutoplay, WM_CTLCOLORSTATIC, RGB(0, 136, 255), RGB(255, 255, 255)},
  };
  const MemoryDc memory(CreateCompatibleDC(nullptr));
  HDC dc = memory.get();
  for (const auto& c : cases) {
    HWND edit = unit_window(kWindow, c.unit);
    SetTextColor(dc, RGB(1, 2, 3));
    SetBkColor(dc, RGB(4, 5, 6));
    auto brush = reinterpret_cast<HBRUSH>(SendMessageW(
        GetParent(edit), c.message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(edit)));
    ASSERT_NE(brush, nullptr);
    LOGBRUSH info{};
    GetObjectW(brush, sizeof info, &info);
    EXPECT_EQ(info.lbColor, c.background);
    EXPECT_EQ(GetTextColor(dc), c.text);
    EXPECT_EQ(GetBkColor(dc), c.background);
  }
}

TEST_F(WindowSystem, VisiblePropertyReadsAndShowsOrHidesTheUnit) {
  EXPECT_EQ(read_unit_property(kWindow, kLinkCopy, kPropertyVisible), UnitValue(false));
  EXPECT_EQ(read_unit_property(kWindow, kEditSource, kPropertyVisible), UnitValue(true));
  for (bool visible : {true, false}) {
    ASSERT_TRUE(write_unit_property(kWindow, kLinkCopy, kPropertyVisible, visible));
    EXPECT_EQ(IsWindowVisible(unit_window(kWindow, kLinkCopy)) != FALSE, visible);
    EXPECT_EQ(read_unit_property(kWindow, kLinkCopy, kPropertyVisible), UnitValue(visible));
  }
}

TEST_F(WindowSystem, ContentPropertyWritesAndReadsCodePage936Text) {
  const Text failed = "\xBB\xF1\xC8\xA1\xCA\xA7\xB0\xDC\xA3\xA1";  // 获取失败！
  ASSERT_TRUE(write_unit_property(kWindow, kEditAutoplay, kPropertyContent, failed));
  wchar_t shown[64] = {};
  GetWindowTextW(unit_window(kWindow, kEditAutoplay), shown, 64);
  EXPECT_STREQ(shown, L"获取失败！");
  EXPECT_EQ(read_unit_property(kWindow, kEditAutoplay, kPropertyContent), UnitValue(failed));
  // Writing replaces the whole text; an empty box reads as the empty Text.
  for (const Text& text : {Text("http://a/b"), Text()}) {
    ASSERT_TRUE(write_unit_property(kWindow, kEditAutoplay, kPropertyContent, text));
    EXPECT_EQ(read_unit_property(kWindow, kEditAutoplay, kPropertyContent), UnitValue(text));
  }
}

TEST_F(WindowSystem, PropertiesOfWhatDoesNotExistAreRefused) {
  EXPECT_EQ(read_unit_property(kWindow, 0x16999999, kPropertyVisible), UnitValue());
  EXPECT_EQ(read_unit_property(0x52999999, kEditSource, kPropertyVisible), UnitValue());
  EXPECT_EQ(read_unit_property(kWindow, kEditSource, 6), UnitValue());
  EXPECT_EQ(read_unit_property(kWindow, kLabelAuthor, kPropertyContent), UnitValue());
  EXPECT_FALSE(write_unit_property(kWindow, kLabelAuthor, kPropertyContent, Text("x")));
  EXPECT_FALSE(write_unit_property(kWindow, kEditSource, kPropertyContent, true));
  EXPECT_FALSE(write_unit_property(kWindow, kEditSource, kPropertyVisible, Text("x")));
  EXPECT_FALSE(write_unit_property(kWindow, 0x16999999, kPropertyVisible, true));
  // The unit whose version is too new was never created.
  EXPECT_EQ(read_unit_property(kTestWindow, kTestFutureEdit, kPropertyVisible), UnitValue());
}

TEST_F(WindowSystem, PressOnAVisibleHyperlinkCallsItsHandlerWithPositionAndKeys) {
  struct Press {
    std::uint32_t link;
    WPARAM buttons;
    std::vector<int> held;
    Call want;
  };
  // The keys come from this thread's key state, held down for the press; a release calls nothing.
  const Press presses[] = {
      {kLinkCopy, MK_CONTROL | MK_SHIFT, {VK_CONTROL, VK_SHIFT}, {kHandlerCopy, 7, 9, kKeyCtrl | kKeyShift}},
      {kLinkOpen, 0, {VK_MENU}, {kHandlerOpen, 3, 4, kKeyAlt}}};
  for (const Press& p : presses) {
    HWND link = unit_window(kWindow, p.link);
    write_unit_property(kWindow, p.link, kPropertyVisible, true);
    std::array<BYTE, 256> saved{}, held{};
    GetKeyboardState(saved.data());
    held = saved;
    for (int key : p.held) held[static_cast<std::size_t>(key)] = 0x80;
    SetKeyboardState(held.data());
    SendMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON | p.buttons, MAKELPARAM(p.want.x, p.want.y));
    SetKeyboardState(saved.data());
    SendMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(p.want.x, p.want.y));
    write_unit_property(kWindow, p.link, kPropertyVisible, false);
    EXPECT_EQ(g_calls, std::vector<Call>{p.want});
    g_calls.clear();
  }
}

TEST_F(WindowSystem, ButtonClickRunsTheClickedHandler) {
  SendMessageW(unit_window(kWindow, kButtonGet), BM_CLICK, 0, 0);
  pump_messages();
  EXPECT_EQ(g_calls, (std::vector<Call>{{kHandlerGetAddress, 0, 0, 0}}));
}

TEST_F(WindowSystem, InputQueuedDuringAHandlerIsDroppedHoweverTheHandlerEnds) {
  write_unit_property(kWindow, kLinkCopy, kPropertyVisible, true);
  g_queue_input_and_throw = true;
  SendMessageW(unit_window(kWindow, kButtonGet), BM_CLICK, 0, 0);
  pump_messages();
  EXPECT_EQ(g_calls.size(), 1u) << "the queued click or press started a command";
  // The failed handler left nothing behind: the next click runs again.
  SendMessageW(unit_window(kWindow, kButtonGet), BM_CLICK, 0, 0);
  pump_messages();
  write_unit_property(kWindow, kLinkCopy, kPropertyVisible, false);
  EXPECT_EQ(g_calls.size(), 2u);
}

TEST_F(WindowSystem, MouseMessagesMapToEventsMinusOneToMinusSix) {
  HWND label = unit_window(kTestWindow, kTestLabel);
  const UINT messages[] = {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK,
                           WM_RBUTTONDOWN, WM_RBUTTONUP, WM_MOUSEMOVE};
  for (int i = 0; i < 6; ++i) SendMessageW(label, messages[i], 0, MAKELPARAM(i + 1, 20 - i));
  ASSERT_EQ(g_calls.size(), 6u);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(g_calls[i], (Call{kSlotFirstMouse + i, i + 1, 20 - i, 0})) << i;
}

TEST_F(WindowSystem, AHandlerReturningFalseKeepsThePressFromTheControl) {
  // An edit's own press handling collapses the selection to the caret.
  for (const auto& [unit, selected] : {std::pair{kTestKeptEdit, 6u}, std::pair{kTestPassedEdit, 0u}}) {
    HWND edit = unit_window(kTestWindow, unit);
    SetWindowTextW(edit, L"abcdef");
    SendMessageW(edit, EM_SETSEL, 0, -1);
    SendMessageW(edit, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 5));
    SendMessageW(edit, WM_LBUTTONUP, 0, MAKELPARAM(2, 5));
    DWORD start = 0, end = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(end - start, selected) << (selected ? "the kept press reached the edit"
                                                  : "the passed press did not reach the edit");
  }
  // The passed press also focused its edit; only the presses count here.
  std::erase_if(g_calls, [](const Call& call) { return call.slot != kSlotKeep && call.slot != kSlotPass; });
  EXPECT_EQ(g_calls, (std::vector<Call>{{kSlotKeep, 2, 5, 0}, {kSlotPass, 2, 5, 0}}));
}

// Settings this program's own window never uses, one row each: a window built
// from a one-unit layout with that setting shows it in the styles of the window
// or the unit (the extended styles in the upper half), or in its pixels.
constexpr std::uint64_t ex(DWORD bits) { return std::uint64_t{bits} << 32; }

// White background, then a red shape or a blue line.
layout::ShapeBoxData shape(std::int32_t kind, std::int32_t line_type) {
  auto d = main_unit<layout::ShapeBoxData>(kShapeBack);
  d.background_colour = 0x00ffffff;
  d.shape = kind;
  d.line_type = line_type;
  d.line_colour = 0x00ff0000;
  d.fill_colour = line_type == 0 ? 0x000000ffu : layout::kSystemColour;
  return d;
}
// The banner on a magenta background.
layout::PicBoxData picture(std::int32_t display_mode) {
  auto d = std::get<layout::PicBoxData>(
      layout::decode_window_layout(carried_block())->find_unit(kPictureBanner)->data);
  d.background_colour = 0x00ff00ff;
  d.display_mode = display_mode;
  return d;
}
// Blue when normal, green on hover, olive once visited.
layout::HyperLinkerData link() {
  auto d = main_unit<layout::HyperLinkerData>(kLinkOpen);
  d.link_type = 1;  // the web address
  d.font.clear();
  d.visited_colour = 0x00008080;
  d.hover_colour = 0x0000ff00;
  d.background_colour = 0x00ffffff;
  d.caption = "\xC1\xB4\xBD\xD3 \xC1\xB4\xBD\xD3";  // 链接 链接
  d.web_address = "Z:\\no\\such\\file.tarnvex";
  return d;
}

constexpr COLORREF kWhite = RGB(255, 255, 255), kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255),
                   kMagenta = RGB(255, 0, 255);
// How many runs of blue the shape box's top edge holds, and the longest.
std::pair<int, int> blue_dashes_on_top(HWND window) {
  int dashes = 0, longest = 0;
  for (int x = 0, run = 0; x < 100; ++x) {
    run = screen_pixel(window, x, 0) == kBlue ? run + 1 : 0;
    dashes += run == 1;
    longest = std::max(longest, run);
  }
  return {dashes, longest};
}
// Whether the link shows `colour`, and no longer blue, after `message` at (5, 5).
bool link_shows_after(HWND link, UINT message, COLORREF colour) {
  SendMessageW(link, message, 0, MAKELPARAM(5, 5));
  UpdateWindow(link);
  const bool shown = screen_shows(link, colour) && !screen_shows(link, kBlue);
  ReleaseCapture();
  return shown;
}

// Start position 0 keeps the stored place and size.
bool at_its_stored_place(HWND w) {
  RECT r{};
  GetWindowRect(w, &r);
  return r.left == 10 && r.top == 20 && r.right == 610 && r.bottom == 420;
}
bool solid_on_top(HWND w) { return blue_dashes_on_top(w) == std::pair{1, 100}; }
bool dashed_on_top(HWND w) { return blue_dashes_on_top(w).first > 2 && blue_dashes_on_top(w).second >= 6; }
bool dotted_on_top(HWND w) { return blue_dashes_on_top(w).first > 10 && blue_dashes_on_top(w).second <= 3; }
bool green_under_the_mouse(HWND w) { return link_shows_after(w, WM_MOUSEMOVE, RGB(0, 255, 0)); }
bool olive_once_opened(HWND w) { return link_shows_after(w, WM_LBUTTONDOWN, RGB(128, 128, 0)); }

struct Pixel {
  int x, y;
  COLORREF colour;
  bool same = true;
};

struct FeatureRow {
  const char* feature;
  layout::KindData unit;  // a window setting (the unit is then an edit box), or the one unit
  std::uint64_t present = 0, absent = 0;
  std::vector<Pixel> pixels = {};
  bool (*looks_right)(HWND) = nullptr;
};

TEST_F(WindowSystem, SettingsTheProgramDoesNotUseTakeEffect) {
  const FeatureRow rows[] = {
      {"border 1",
       window_with(&W::maximize_box, 1),
       WS_THICKFRAME | WS_MAXIMIZEBOX,
       WS_MINIMIZEBOX,
       {},
       at_its_stored_place},
      {"border 0", window_with(&W::border_style, 0), WS_POPUP, WS_CAPTION},
      {"border 3", window_with(&W::border_style, 3), WS_THICKFRAME | ex(WS_EX_TOOLWINDOW),
       ex(WS_EX_CLIENTEDGE)},
      {"border 4", window_with(&W::border_style, 4), ex(WS_EX_TOOLWINDOW), WS_THICKFRAME},
      {"border 5", window_with(&W::border_style, 5), WS_THICKFRAME | ex(WS_EX_CLIENTEDGE),
       ex(WS_EX_TOOLWINDOW)},
      {"border 6", window_with(&W::border_style, 6), ex(WS_EX_CLIENTEDGE), WS_THICKFRAME},
      {"always on top", window_with(&W::always_on_top, 1), ex(WS_EX_TOPMOST), ex(WS_EX_TOOLWINDOW)},
      {"start minimised", window_with(&W::start_position, 2), WS_MINIMIZE, WS_MAXIMIZE},
      {"start maximised", window_with(&W::start_position, 3), WS_MAXIMIZE, WS_MINIMIZE},
      {"edit centred", edit_with(&E::alignment, 1), ES_CENTER, ES_RIGHT},
      {"edit right-aligned", edit_with(&E::alignment, 2), ES_RIGHT, ES_CENTER},
      {"edit lower case", edit_with(&E::case_conversion, 1), ES_LOWERCASE, ES_UPPERCASE},
      {"edit upper case", edit_with(&E::case_conversion, 2), ES_UPPERCASE, ES_LOWERCASE},
      // The 800 x 212 banner in a 500 x 300 box; shapes in a 100 x 40 box.
      // Each mode with a point where every other mode differs: at its size at the
      // top left, stretched over the box, fitted (500 x 133) or at its size centred.
      {"picture at its size", picture(0), 0, 0, {{20, 10, kMagenta, false}, {250, 250, kMagenta}}},
      {"picture stretched", picture(1), 0, 0, {{450, 280, kMagenta, false}}},
      {"picture fitted",
       picture(2),
       0,
       0,
       {{20, 10, kMagenta}, {250, 150, kMagenta, false}, {250, 240, kMagenta}}},
      {"picture centred", picture(3), 0, 0, {{20, 10, kMagenta}, {250, 240, kMagenta, false}}},
      {"ellipse", shape(2, 0), 0, 0, {{2, 2, kWhite}, {50, 20, kRed}}},
      {"circle", shape(3, 0), 0, 0, {{31, 1, kWhite}, {10, 20, kWhite}, {50, 20, kRed}}},
      {"rounded rectangle", shape(4, 0), 0, 0, {{0, 0, kWhite}, {3, 3, kRed}}},
      {"horizontal line", shape(6, 1), 0, 0, {{50, 20, kBlue}, {50, 10, kWhite}}},
      {"vertical line", shape(7, 1), 0, 0, {{50, 10, kBlue}, {20, 20, kWhite}}},
      {"solid line", shape(0, 1), 0, 0, {}, solid_on_top},
      {"dashed line", shape(0, 2), 0, 0, {}, dashed_on_top},
      {"dotted line", shape(0, 3), 0, 0, {}, dotted_on_top},
      {"link under the mouse", link(), 0, 0, {}, green_under_the_mouse},
      {"link once opened", link(), 0, 0, {}, olive_once_opened},
  };
  std::uint32_t window_id = 0x52000100;
  for (const FeatureRow& row : rows) {
    const bool window_row = std::holds_alternative<W>(row.unit);
    const bool picture_row = std::holds_alternative<layout::PicBoxData>(row.unit);
    const layout::WindowLayout one{
        .window_id = ++window_id,
        .unit_ids = {kTestWindowUnit, kTestShortEdit},
        .units = {
            unit_record(10, 20, 600, 400, 1, {}, window_row ? row.unit : window_with(&W::border_style, 1)),
            unit_record(10, 50, picture_row ? 500 : 100, picture_row ? 300 : 40, 5, {},
                        window_row ? edit_with() : row.unit)}};
    ASSERT_TRUE(window_system_start(layout::encode_window_layout(one), kHandlers) &&
                load_window(window_id, nullptr, false));
    HWND built = unit_window(window_id, window_row ? window_id : kTestShortEdit);
    const std::uint64_t styles = static_cast<DWORD>(GetWindowLongW(built, GWL_STYLE)) |
                                 ex(static_cast<DWORD>(GetWindowLongW(built, GWL_EXSTYLE)));
    RedrawWindow(built, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    SCOPED_TRACE(row.feature);
    EXPECT_EQ(styles & row.present, row.present);
    EXPECT_EQ(styles & row.absent, 0u);
    for (const Pixel& p : row.pixels)
      EXPECT_EQ(screen_pixel(built, p.x, p.y) == p.colour, p.same) << p.x << ", " << p.y;
    EXPECT_TRUE(!row.looks_right || row.looks_right(built));
    DestroyWindow(unit_window(window_id, window_id));
  }
}

TEST_F(WindowSystem, ShortSingleLineEditGrowsToItsFontHeight) {
  HWND edit = unit_window(kTestWindow, kTestShortEdit);
  RECT rect{};
  GetWindowRect(edit, &rect);
  // Stored 5 high; the default GUI font is 13 pixels tall here, with a 2-pixel edge above and below.
  EXPECT_EQ(rect.bottom - rect.top, 17);
  // Tall enough already: unchanged.
  GetWindowRect(unit_window(kWindow, kEditSource), &rect);
  EXPECT_EQ(rect.bottom - rect.top, 21);
}

// Every unit of the main window where it stands, at 144 DPI or at 96.
void expect_main_window_units_at(bool at_144) {
  namespace r = main_window_rects;
  const std::pair<std::uint32_t, std::pair<r::Rect, r::Rect>> units[] = {
      {kLinkOpen, {r::kLinkOpen, r::kLinkOpenAt144}},
      {kLabelAuthor, {r::kLabelAuthor, r::kLabelAuthorAt144}},
      {kLinkCopy, {r::kLinkCopy, r::kLinkCopyAt144}},
      {kEditAutoplay, {r::kOutputBox, r::kOutputBoxAt144}},
      {kPictureBanner, {r::kBanner, r::kBannerAt144}},
      {kButtonGet, {r::kGetButton, r::kGetButtonAt144}},
      {kEditSource, {r::kInputBox, r::kInputBoxAt144}},
      {kShapeBack, {r::kShapeBox, r::kShapeBoxAt144}},
  };
  for (const auto& [unit, rects] : units) {
    const r::Rect want = at_144 ? rects.second : rects.first;
    const RECT got = rect_in_parent(unit_window(kWindow, unit));
    EXPECT_EQ((std::array<LONG, 4>{got.left, got.top, got.right, got.bottom}),
              (std::array<LONG, 4>{want.left, want.top, want.right(), want.bottom()}))
        << std::hex << unit << (at_144 ? " at 144 DPI" : " at 96 DPI");
  }
  for (std::uint32_t link : {kLinkOpen, kLinkCopy})
    EXPECT_EQ(font_of(unit_window(kWindow, link)).lfHeight, at_144 ? -18 : -12);
}

TEST_F(WindowSystem, OnADpiChangeTheWindowTakesTheSuggestedRectangleAndRescalesEveryUnit) {
  HWND main = unit_window(kWindow, kWindow);
  RECT before{};
  GetWindowRect(main, &before);
  const RECT suggested{before.left, before.top, before.left + 651, before.top + 343};
  SendMessageW(main, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  RECT now{};
  GetWindowRect(main, &now);
  EXPECT_TRUE(EqualRect(&now, &suggested));
  expect_main_window_units_at(true);
  SendMessageW(main, WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&before));
  expect_main_window_units_at(false);
  GetWindowRect(main, &now);
  EXPECT_TRUE(EqualRect(&now, &before));
}

TEST_F(WindowSystem, EditSettingsBecomeControlStyles) {
  HWND password = unit_window(kTestWindow, kTestDisabledEdit);
  const LONG style = GetWindowLongW(password, GWL_STYLE);
  EXPECT_TRUE(style & WS_DISABLED);
  EXPECT_TRUE(style & ES_PASSWORD);
  EXPECT_EQ(SendMessageW(password, EM_GETPASSWORDCHAR, 0, 0), '#');
  EXPECT_EQ(SendMessageW(password, EM_GETLIMITTEXT, 0, 0), 7);
  EXPECT_TRUE(GetWindowLongW(unit_window(kWindow, kEditAutoplay), GWL_STYLE) & ES_READONLY);
}

TEST_F(WindowSystem, InputBoxHasAThinBorderAndTheOutputBoxNone) {
  HWND input = unit_window(kWindow, kEditSource);
  HWND output = unit_window(kWindow, kEditAutoplay);
  // The border shows as a text area set in from the control's edge.
  RECT input_text{}, output_text{};
  SendMessageW(input, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&input_text));
  SendMessageW(output, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&output_text));
  EXPECT_GT(input_text.top, output_text.top);
  for (HWND edit : {input, output})
    EXPECT_EQ(GetWindowLongW(edit, GWL_EXSTYLE) & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE | WS_EX_DLGMODALFRAME),
              0);
}

struct PixelCase {
  const char* what;
  std::uint32_t window, unit;
  Pixel pixel;
};

TEST_F(WindowSystem, UnitsPaintTheirOwnColoursAndTheBannerFitsItsBox) {
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const PixelCase cases[] = {
      {"input box", kWindow, kEditSource, {200, 10, kWhite}},
      {"output box", kWindow, kEditAutoplay, {200, 10, kWhite}},
      {"label background", kTestWindow, kTestLabel, {95, 25, RGB(0, 255, 0)}},
      // The shape box is 60 x 40: its background, then the 40 x 40 square from x = 10.
      {"shape box left of the square", kTestWindow, kTestSquare, {5, 20, kWhite}},
      {"the square", kTestWindow, kTestSquare, {30, 20, kRed}},
      {"shape box right of the square", kTestWindow, kTestSquare, {55, 20, kWhite}},
      // The banner fitted to its 231 x 62 box at the top left: rows 0..60 hold
      // the picture across the box's width, row 61 is the box's own background.
      {"banner, left", kWindow, kPictureBanner, {5, 30, face, false}},
      {"banner, middle", kWindow, kPictureBanner, {115, 30, face, false}},
      {"banner, right", kWindow, kPictureBanner, {225, 30, face, false}},
      {"banner, last row", kWindow, kPictureBanner, {115, 60, face, false}},
      {"under the banner, left", kWindow, kPictureBanner, {5, 61, face}},
      {"under the banner, middle", kWindow, kPictureBanner, {115, 61, face}},
      {"under the banner, right", kWindow, kPictureBanner, {225, 61, face}},
  };
  for (const PixelCase& c : cases) {
    HWND window = unit_window(c.window, c.unit);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_FRAME);
    EXPECT_EQ(screen_pixel(window, c.pixel.x, c.pixel.y) == c.pixel.colour, c.pixel.same) << c.what;
  }
}

// Answers the colour questions in place of the window's own procedure, as a skin
// engine that subclasses the window does.
LRESULT CALLBACK recolouring(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                             DWORD_PTR brush) {
  const LRESULT own = DefSubclassProc(window, message, wparam, lparam);
  if (message != WM_CTLCOLORSTATIC && message != WM_CTLCOLORDLG) return own;
  SetTextColor(reinterpret_cast<HDC>(wparam), RGB(255, 0, 255));
  return static_cast<LRESULT>(brush);
}

// A window answered by `recolouring` with a blue brush while this lives.
struct Recoloured {
  explicit Recoloured(HWND w)
      : window(w),
        subclassed(SetWindowSubclass(w, recolouring, 1, reinterpret_cast<DWORD_PTR>(blue.get()))) {}
  ~Recoloured() {
    if (subclassed) RemoveWindowSubclass(window, recolouring, 1);
  }
  HWND window;
  GdiObject<HBRUSH> blue{CreateSolidBrush(RGB(0, 0, 255))};
  BOOL subclassed;
};

void repaint(std::initializer_list<HWND> windows) {
  for (HWND window : windows) RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  pump_messages();
}

TEST_F(WindowSystem, LabelLinkAndShapeBoxPaintInTheColoursTheyAreAnswered) {
  HWND label = unit_window(kTestWindow, kTestLabel);
  HWND square = unit_window(kTestWindow, kTestSquare);
  HWND link = unit_window(kWindow, kLinkOpen);
  ASSERT_EQ(GetParent(label), unit_window(kTestWindow, kTestWindow));
  write_unit_property(kWindow, kLinkOpen, kPropertyVisible, true);
  {
    // The label and the link ask their parent; the shape box asks itself, as a dialog does.
    const Recoloured parent(GetParent(label));
    const Recoloured shape(square);
    const Recoloured link_parent(GetParent(link));
    ASSERT_TRUE(parent.subclassed && shape.subclassed && link_parent.subclassed);
    repaint({label, square, link});
    EXPECT_EQ(screen_pixel(link, 57, 22), RGB(0, 0, 255));
    // The link's text keeps its own colour.
    EXPECT_FALSE(screen_shows(link, RGB(255, 0, 255)));
    EXPECT_EQ(screen_pixel(label, 95, 25), RGB(0, 0, 255));
    EXPECT_TRUE(screen_shows(label, RGB(255, 0, 255)));
    EXPECT_FALSE(screen_shows(label, RGB(0, 0, 0)));
    // The shape box's background; the square it draws keeps its own fill.
    EXPECT_EQ(screen_pixel(square, 5, 20), RGB(0, 0, 255));
    EXPECT_EQ(screen_pixel(square, 30, 20), RGB(255, 0, 0));
  }
  // Answered by their own window procedure again: their own colours.
  repaint({label, square, link});
  EXPECT_EQ(screen_pixel(link, 57, 22), RGB(255, 255, 255));
  EXPECT_TRUE(screen_shows(link, RGB(0, 0, 255)));
  write_unit_property(kWindow, kLinkOpen, kPropertyVisible, false);
  EXPECT_EQ(screen_pixel(label, 95, 25), RGB(0, 255, 0));
  EXPECT_TRUE(screen_shows(label, RGB(0, 0, 0)));
  EXPECT_EQ(screen_pixel(square, 5, 20), RGB(255, 255, 255));
}

TEST_F(WindowSystem, TabMovesFocusToTheNextTabStopUnit) {
  HWND main = unit_window(kWindow, kWindow);
  HWND input = unit_window(kWindow, kEditSource);
  SetForegroundWindow(main);
  SetFocus(input);
  ASSERT_EQ(GetFocus(), input);
  PostMessageW(input, WM_KEYDOWN, VK_TAB, 0);
  PostMessageW(input, WM_KEYUP, VK_TAB, 0);
  // The loop handles the keys, then returns on the quit message.
  PostQuitMessage(0);
  run_message_loop();
  HWND now = GetFocus();
  EXPECT_TRUE(GetWindowLongW(now, GWL_STYLE) & WS_TABSTOP);
  // The next in the window's order of tab stops: the output box on the shape box,
  // whose children the dialog keys walk into (WS_EX_CONTROLPARENT).
  EXPECT_EQ(now, unit_window(kWindow, kEditAutoplay));
}

TEST_F(WindowSystem, FocusChangesRunTheFocusEvents) {
  HWND edit = unit_window(kTestWindow, kTestPassedEdit);
  SendMessageW(edit, WM_SETFOCUS, 0, 0);
  SendMessageW(edit, WM_KILLFOCUS, 0, 0);
  EXPECT_EQ(g_calls, (std::vector<Call>{{kSlotFocusGained, 0, 0, 0}, {kSlotFocusLost, 0, 0, 0}}));
}

TEST_F(WindowSystem, HyperlinkCapturesTheMouseOnEntryAndReleasesItOnExit) {
  HWND link = unit_window(kWindow, kLinkOpen);
  write_unit_property(kWindow, kLinkOpen, kPropertyVisible, true);
  SendMessageW(link, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  EXPECT_EQ(GetCapture(), link);
  SendMessageW(link, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  EXPECT_EQ(GetCapture(), link);
  SendMessageW(link, WM_MOUSEMOVE, 0, MAKELPARAM(200, 10));  // outside its 59 x 24
  EXPECT_NE(GetCapture(), link);
  write_unit_property(kWindow, kLinkOpen, kPropertyVisible, false);
  // The press handlers are bound to presses only: moving calls nothing.
  EXPECT_TRUE(g_calls.empty());
}

TEST_F(WindowSystem, ShapeBoxLiesUnderItsSiblings) {
  HWND shape = unit_window(kWindow, kShapeBack);
  ASSERT_NE(shape, nullptr);
  EXPECT_EQ(GetWindow(shape, GW_HWNDNEXT), nullptr);
  EXPECT_EQ(GetParent(unit_window(kWindow, kEditAutoplay)), shape);
  EXPECT_TRUE(GetWindowLongW(shape, GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
}

// The cursor's hot spot and the icon's images are the program test's: these
// check that the window system puts them to use.
TEST_F(WindowSystem, HyperlinkShowsTheHandCursor) {
  HWND link = unit_window(kWindow, kLinkOpen);
  SendMessageW(link, WM_SETCURSOR, reinterpret_cast<WPARAM>(link), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  // Our hand at 96 DPI: the 32 x 32 image, not the system's hand.
  HCURSOR hand = GetCursor();
  ASSERT_NE(hand, nullptr);
  EXPECT_NE(hand, LoadCursorW(nullptr, IDC_HAND));
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(hand, &info));
  const GdiObject<HBITMAP> owned_mask(info.hbmMask), owned_colour(info.hbmColor);
  BITMAP mask{};
  GetObjectW(info.hbmMask, sizeof mask, &mask);
  EXPECT_EQ(mask.bmWidth, 32);
  EXPECT_EQ(info.xHotspot, 6u);  // the fingertip of the 32-pixel image
  EXPECT_EQ(info.yHotspot, 1u);
}

TEST_F(WindowSystem, WindowCarriesTheProgramIcon) {
  for (const auto& [which, metric] : {std::pair{ICON_BIG, SM_CXICON}, std::pair{ICON_SMALL, SM_CXSMICON}}) {
    const int size = GetSystemMetrics(metric);
    const HANDLE program_icon = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(TARNVEX_ICON_DEFAULT),
                                           IMAGE_ICON, size, size, LR_SHARED);
    ASSERT_NE(program_icon, nullptr);
    EXPECT_EQ(SendMessageW(unit_window(kWindow, kWindow), WM_GETICON, which, 0),
              reinterpret_cast<LRESULT>(program_icon))
        << which;
  }
}

}  // namespace
