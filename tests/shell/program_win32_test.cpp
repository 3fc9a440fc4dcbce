// The real tarnvex.exe, started as its own process: its window and controls as
// another program sees them, its exit code, and its current directory.
#include <windows.h>
#include <winternl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "extract/main_window_units.h"
#include "common/win32/module.h"
#include "shell/resource_ids.h"
#include "tests/support/dialogs_win32.h"
#include "tests/support/main_window_rects.h"
#include "tests/support/program_win32.h"
#include "tests/support/read_file.h"
#include "tests/support/user_settings_win32.h"
#include "tests/support/wine_win32.h"

namespace {

using namespace main_window;

// The program's windows go without Wine's 2 s wait for a window manager.
const UnmanagedWindowsUnderWine g_unmanaged;

const std::wstring kCaption = L"  Tarnvex";

std::wstring program_path() { return windows_path_of(TARNVEX_EXE_FILE); }

bool has_style(HWND window, LONG style) { return (GetWindowLongW(window, GWL_STYLE) & style) == style; }
bool has_ex_style(HWND window, LONG style) { return (GetWindowLongW(window, GWL_EXSTYLE) & style) == style; }

class Program : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = std::make_unique<ProgramUnderTest>(program_path(), kCaption);
    ASSERT_TRUE(program_->started()) << "no window titled \"  Tarnvex\"";
  }
  HWND main() const { return program_->main_window(); }
  std::unique_ptr<ProgramUnderTest> program_;
};

TEST_F(Program, WindowOpensCentredWithItsCaptionBoxesAndOuterSize) {
  RECT rect{};
  GetWindowRect(main(), &rect);
  EXPECT_EQ(rect.right - rect.left, 436);
  EXPECT_EQ(rect.bottom - rect.top, 231);
  // Centred, whatever the stored 50, 50.
  EXPECT_EQ(rect.left, (GetSystemMetrics(SM_CXSCREEN) - 436) / 2);
  EXPECT_EQ(rect.top, (GetSystemMetrics(SM_CYSCREEN) - 231) / 2);
  EXPECT_EQ(window_text_of(main()), kCaption);
  EXPECT_EQ(class_of(main()), L"TarnvexWindow");
  EXPECT_TRUE(has_style(main(), WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX));
  EXPECT_FALSE(has_style(main(), WS_MAXIMIZEBOX));
  EXPECT_FALSE(has_style(main(), WS_THICKFRAME));
  EXPECT_TRUE(IsWindowVisible(main()));
  // The icon it shows is checked in window_system_win32_test, in the process
  // that owns the window: Wine answers WM_GETICON from another process with none.
}

namespace rects = main_window_rects;

struct ExpectedControl {
  const char* what;
  rects::Rect at_96, at_144;
  const wchar_t* class_name;
  bool on_shape_box;
  LONG styles;      // all present
  LONG not_styles;  // all absent
  LONG ex_styles;   // all present
  LONG not_ex;      // all absent
  bool visible;
  const wchar_t* text;
};

// The controls, each at its rectangle in the layout (at 96 DPI).
const ExpectedControl kControls[] = {
    {"open link", rects::kLinkOpen, rects::kLinkOpenAt144, L"TarnvexHyperLinker", true, 0,
     WS_BORDER | WS_TABSTOP, 0, WS_EX_CLIENTEDGE, false, L"点击打开"},
    {"author label", rects::kLabelAuthor, rects::kLabelAuthorAt144, L"TarnvexLabel", true, 0, WS_TABSTOP, 0,
     0, true, L"作者：Merrowin"},
    {"copy link", rects::kLinkCopy, rects::kLinkCopyAt144, L"TarnvexHyperLinker", true, 0,
     WS_BORDER | WS_TABSTOP, 0, WS_EX_CLIENTEDGE, false, L"点击复制地址"},
    {"output box", rects::kOutputBox, rects::kOutputBoxAt144, L"Edit", true,
     ES_READONLY | ES_AUTOHSCROLL | WS_TABSTOP, WS_BORDER | ES_MULTILINE | ES_PASSWORD, 0,
     WS_EX_CLIENTEDGE | WS_EX_STATICEDGE, true, L""},
    {"banner", rects::kBanner, rects::kBannerAt144, L"TarnvexPicBox", false, 0, WS_BORDER | WS_TABSTOP, 0,
     WS_EX_CLIENTEDGE, true, L""},
    {"get button", rects::kGetButton, rects::kGetButtonAt144, L"Button", false, BS_MULTILINE | WS_TABSTOP, 0,
     0, 0, true, L"获取自动播放地址"},
    {"input box", rects::kInputBox, rects::kInputBoxAt144, L"Edit", false, ES_AUTOHSCROLL | WS_TABSTOP,
     ES_READONLY | ES_MULTILINE | ES_PASSWORD, 0, WS_EX_CLIENTEDGE, true, L""},
    {"shape box", rects::kShapeBox, rects::kShapeBoxAt144, L"TarnvexShapeBox", false, 0, WS_TABSTOP, 0, 0,
     true, L""},
};

TEST_F(Program, EachControlHasItsClassRectangleParentStylesVisibilityAndText) {
  HWND shape_box = program_->control_at(rects::kShapeBox);
  ASSERT_NE(shape_box, nullptr);
  for (const auto& c : kControls) {
    SCOPED_TRACE(c.what);
    HWND control = program_->control_at(c.at_96);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(class_of(control), c.class_name);
    EXPECT_EQ(GetParent(control), c.on_shape_box ? shape_box : main());
    EXPECT_TRUE(has_style(control, WS_CHILD | c.styles));
    EXPECT_EQ(GetWindowLongW(control, GWL_STYLE) & c.not_styles, 0);
    EXPECT_TRUE(has_ex_style(control, c.ex_styles));
    EXPECT_EQ(GetWindowLongW(control, GWL_EXSTYLE) & c.not_ex, 0);
    EXPECT_FALSE(has_style(control, WS_DISABLED));
    EXPECT_EQ(has_style(control, WS_VISIBLE), c.visible);
    EXPECT_EQ(window_text_of(control), c.text);
  }
  // Wine's edit control takes WS_BORDER off its style and draws the thin line itself.
  if (!running_under_wine()) {
    EXPECT_TRUE(has_style(program_->control_at(rects::kInputBox), WS_BORDER));
  }
}

// At 144 DPI the edges round (worked out by hand in the table); at 192 every
// length simply doubles.
class ProgramAtDpi : public ::testing::TestWithParam<int> {};

TEST_P(ProgramAtDpi, WindowAndEveryControlScaleByTheirEdges) {
  const int dpi = GetParam();
  const ScopedUserSetting system_dpi(L"Control Panel\\Desktop", L"LogPixels", static_cast<DWORD>(dpi));
  ASSERT_TRUE(system_dpi.set());
  ProgramUnderTest program(program_path(), kCaption);
  ASSERT_TRUE(program.started());
  const auto at_dpi = [dpi](const ExpectedControl& c) {
    const rects::Rect r = c.at_96;
    return dpi == 144 ? c.at_144 : rects::Rect{2 * r.left, 2 * r.top, 2 * r.width, 2 * r.height};
  };
  // The outer size less the frame, scaled: Wine's frame is 6 x 25 at every DPI.
  if (running_under_wine()) {
    RECT client{};
    GetClientRect(program.main_window(), &client);
    EXPECT_EQ(client.right, dpi == 144 ? 645 : 860);
    EXPECT_EQ(client.bottom, dpi == 144 ? 309 : 412);
  }
  for (const auto& c : kControls) {
    SCOPED_TRACE(c.what);
    HWND control = program.control_at(at_dpi(c));
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(class_of(control), c.class_name);
  }
}

INSTANTIATE_TEST_SUITE_P(Dpi, ProgramAtDpi, ::testing::Values(144, 192));

// The exe's own resources, read as data.
class ProgramResources : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryExW(program_path().c_str(), nullptr,
                             LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module_, nullptr);
  }
  void TearDown() override {
    if (module_) FreeLibrary(module_);
  }
  std::string resource(const wchar_t* type, int id) const {
    HRSRC found = FindResourceW(module_, MAKEINTRESOURCEW(id), type);
    if (!found) return {};
    const char* data = static_cast<const char*>(LockResource(LoadResource(module_, found)));
    return data ? std::string(data, SizeofResource(module_, found)) : std::string();
  }
  HMODULE module_ = nullptr;
};

TEST_F(ProgramResources, IconHasTheEightImages) {
  const std::string group = resource(RT_GROUP_ICON, 1);
  ASSERT_GE(group.size(), 6u);
  const auto count = static_cast<unsigned char>(group[4]);
  ASSERT_EQ(count, 8u);
  ASSERT_EQ(group.size(), 6u + 14u * count);
  std::multiset<std::pair<int, int>> images;  // (size, bits per pixel)
  for (unsigned i = 0; i < count; ++i) {
    const char* entry = group.data() + 6 + 14 * i;
    const int width = static_cast<unsigned char>(entry[0]);
    const int bits = static_cast<unsigned char>(entry[6]) | static_cast<unsigned char>(entry[7]) << 8;
    images.insert({width, bits});
  }
  const std::multiset<std::pair<int, int>> expected{{32, 1}, {48, 4},  {48, 8},  {32, 8},
                                                    {16, 8}, {48, 32}, {32, 32}, {16, 32}};
  EXPECT_EQ(images, expected);
}

TEST_F(ProgramResources, HandCursorHasItsHotSpotAtTheFingertipAtEachSize) {
  struct Size {
    int pixels;
    DWORD hot_x, hot_y;
  };
  for (const Size& size : {Size{32, 6, 1}, Size{48, 9, 1}, Size{64, 12, 2}}) {
    SCOPED_TRACE(size.pixels);
    HCURSOR hand = static_cast<HCURSOR>(LoadImageW(module_, MAKEINTRESOURCEW(TARNVEX_CURSOR_HAND),
                                                   IMAGE_CURSOR, size.pixels, size.pixels, 0));
    ASSERT_NE(hand, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(hand, &info));
    EXPECT_EQ(info.xHotspot, size.hot_x);
    EXPECT_EQ(info.yHotspot, size.hot_y);
    BITMAP mask{};
    GetObjectW(info.hbmMask, sizeof mask, &mask);
    EXPECT_EQ(mask.bmWidth, size.pixels);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    DestroyCursor(hand);
  }
}

TEST_F(ProgramResources, ManifestAndVersion) {
  const std::string manifest = resource(MAKEINTRESOURCEW(24), 1);
  EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
  EXPECT_NE(manifest.find("version=\"6.0.0.0\""), std::string::npos);
  EXPECT_NE(manifest.find("asInvoker"), std::string::npos);
  EXPECT_NE(manifest.find(">PerMonitorV2,PerMonitor</dpiAwareness>"), std::string::npos);
  EXPECT_NE(manifest.find(">true/pm</dpiAware>"), std::string::npos);
  // The version block read as the shell reads it: the fixed numbers and the strings.
  std::string version = resource(RT_VERSION, 1);
  ASSERT_FALSE(version.empty());
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(version.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);  // 1.0
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);           // .0.0
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
  const auto string_value = [&](const wchar_t* name) {
    wchar_t* text = nullptr;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\080404b0\\") + name;
    return VerQueryValueW(version.data(), path.c_str(), reinterpret_cast<void**>(&text), &length) && text
               ? std::wstring(text)
               : std::wstring(L"(none)");
  };
  EXPECT_EQ(string_value(L"OriginalFilename"), L"tarnvex.exe");
  EXPECT_EQ(string_value(L"ProductName"), L"Tarnvex");
  EXPECT_EQ(string_value(L"FileVersion"), L"1.0.0");
}

TEST_F(ProgramResources, LayoutBlockIsCarried) {
  const std::string block = resource(MAKEINTRESOURCEW(10), TARNVEX_RCDATA_LAYOUT);
  ASSERT_GT(block.size(), 36u);
  EXPECT_EQ(block[0], 8);
  EXPECT_EQ(block.substr(4, 4), std::string("\x7f\x02\x01\x52", 4));
}

// The names in the exe's import table, read from its PE headers.
std::set<std::string> imported_libraries(const std::vector<std::uint8_t>& image) {
  const auto at = [&](std::size_t offset, auto value) {
    if (offset + sizeof value <= image.size()) std::memcpy(&value, image.data() + offset, sizeof value);
    return value;
  };
  const auto headers = at(0x3C, std::uint32_t{});
  if (at(headers, std::uint32_t{}) != 0x00004550) return {};  // "PE\0\0"
  const auto sections = at(headers + 6, std::uint16_t{});
  const std::size_t section_table = headers + 24 + at(headers + 20, std::uint16_t{});
  // In a PE32+ optional header the import directory is the second of the data directories.
  const auto imports_rva = at(headers + 24 + 112 + 8, std::uint32_t{});
  const auto file_offset = [&](std::uint32_t rva) -> std::size_t {
    for (std::uint16_t i = 0; i < sections; ++i) {
      const std::size_t section = section_table + 40u * i;
      const auto virtual_address = at(section + 12, std::uint32_t{});
      if (rva >= virtual_address && rva < virtual_address + at(section + 16, std::uint32_t{}))
        return rva - virtual_address + at(section + 20, std::uint32_t{});
    }
    return image.size();
  };
  std::set<std::string> names;
  for (std::size_t entry = file_offset(imports_rva); at(entry + 12, std::uint32_t{}) != 0; entry += 20) {
    const std::size_t name = file_offset(at(entry + 12, std::uint32_t{}));
    if (name >= image.size()) break;
    std::string lower = reinterpret_cast<const char*>(image.data()) + name;
    for (char& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    names.insert(lower);
  }
  return names;
}

TEST(ProgramFile, ImportsOnlySystemLibraries) {
  // No libstdc++, libgcc or winpthread beside it: only what every Windows has.
  const auto image = read_file(TARNVEX_EXE_FILE);
  const std::set<std::string> system{"advapi32.dll", "comctl32.dll", "gdi32.dll",    "kernel32.dll",
                                     "msvcrt.dll",   "ole32.dll",    "oleaut32.dll", "shell32.dll",
                                     "user32.dll",   "winhttp.dll",  "ws2_32.dll"};
  const std::set<std::string> imported = imported_libraries(image);
  EXPECT_TRUE(imported.count("kernel32.dll")) << "no import table read";
  for (const std::string& name : imported) EXPECT_TRUE(system.count(name)) << name;
}

// The current directory of another process, read from its process parameters.
std::wstring current_directory_of(HANDLE process) {
  PROCESS_BASIC_INFORMATION basic{};
  ULONG size = 0;
  if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic, &size) != 0)
    return {};
  // PEB.ProcessParameters, then RTL_USER_PROCESS_PARAMETERS.CurrentDirectory.DosPath (64-bit layout).
  std::uintptr_t parameters = 0;
  if (!ReadProcessMemory(process, reinterpret_cast<const char*>(basic.PebBaseAddress) + 0x20, &parameters,
                         sizeof parameters, nullptr)) {
    return {};
  }
  UNICODE_STRING dos_path{};
  if (!ReadProcessMemory(process, reinterpret_cast<const void*>(parameters + 0x38), &dos_path,
                         sizeof dos_path, nullptr)) {
    return {};
  }
  std::wstring path(dos_path.Length / sizeof(wchar_t), L'\0');
  if (!ReadProcessMemory(process, dos_path.Buffer, path.data(), dos_path.Length, nullptr)) return {};
  return path;
}

TEST(ProgramDirectory, StartedFromAnotherDirectoryTheProgramDirectoryIsCurrent) {
  wchar_t windows_directory[MAX_PATH] = {};
  GetWindowsDirectoryW(windows_directory, MAX_PATH);
  ProgramUnderTest program(program_path(), kCaption, windows_directory);
  ASSERT_TRUE(program.started());
  std::wstring expected = program_path();
  expected.resize(expected.find_last_of(L'\\') + 1);
  std::wstring current = current_directory_of(program.process());
  ASSERT_FALSE(current.empty());
  if (current.back() != L'\\') current += L'\\';
  EXPECT_EQ(CompareStringOrdinal(current.c_str(), -1, expected.c_str(), -1, TRUE), CSTR_EQUAL)
      << "current directory of the program is not its own directory";
}

// A copy of the program whose layout block is cut short cannot build its window:
// it must say so and fail, not end as if all went well.
TEST(ProgramStart, WindowThatCannotBeBuiltGivesTheFatalMessageAndMinusOne) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder =
      std::wstring(temp) + L"tarnvex-damaged-" + std::to_wstring(GetCurrentProcessId());
  const std::wstring copy = folder + L"\\tarnvex.exe";
  CreateDirectoryW(folder.c_str(), nullptr);
  ASSERT_TRUE(CopyFileW(program_path().c_str(), copy.c_str(), FALSE));
  WORD language = 0;
  {
    const Module image(LoadLibraryExW(copy.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    EnumResourceLanguagesW(
        image.get(), RT_RCDATA, MAKEINTRESOURCEW(TARNVEX_RCDATA_LAYOUT),
        [](HMODULE, LPCWSTR, LPCWSTR, WORD found, LONG_PTR out) -> BOOL {
          *reinterpret_cast<WORD*>(out) = found;
          return FALSE;
        },
        reinterpret_cast<LONG_PTR>(&language));
  }
  const HANDLE update = BeginUpdateResourceW(copy.c_str(), FALSE);
  ASSERT_NE(update, nullptr);
  char cut_short[16] = {8};
  UpdateResourceW(update, RT_RCDATA, MAKEINTRESOURCEW(TARNVEX_RCDATA_LAYOUT), language, cut_short,
                  sizeof cut_short);
  ASSERT_TRUE(EndUpdateResourceW(update, FALSE));

  const FatalOutcome outcome = run_until_fatal_box(copy, {});
  DeleteFileW(copy.c_str());
  RemoveDirectoryW(folder.c_str());
  ASSERT_TRUE(outcome.box.has_value()) << "no message box";
  EXPECT_EQ(outcome.box->text, L"运行时出错!\r\n\r\n错误信息：无法创建主窗口\r\n");
  EXPECT_EQ(outcome.exit_code, std::optional<DWORD>(static_cast<DWORD>(-1)));
}

}  // namespace
