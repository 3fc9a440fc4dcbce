// The get-address, copy and open commands of the real program, driven from a
// second process as a user would: type into the source box, click the button,
// read the boxes and message boxes, press on the links, read the clipboard.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "tests/support/loopback_http_server.h"
#include "tests/support/main_window_driver_win32.h"

namespace {

using namespace std::chrono_literals;

const std::wstring kGetFailed = kGetFailedMessage;
const std::wstring kCopyDone = kCopyDoneMessage;

class Commands : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    unmanaged_ = std::make_unique<UnmanagedWindowsUnderWine>();
    server_ = std::make_unique<LoopbackHttpServer>([](const RecordedRequest& request) {
      if (request.target == "/entry") return http_response(200, video_page(player_address("XYZ123")));
      if (request.target == "/other") return http_response(200, video_page(player_address("QQ9")));
      if (request.target == "/slow") {
        Sleep(2000);
        return http_response(200, video_page(player_address("SLOW1")));
      }
      if (request.target == "/nomarker") return http_response(200, video_page("http://p.example/movie.swf"));
      return http_response(200, "<html>no player here</html>");
    });
  }
  static void TearDownTestSuite() {
    server_.reset();
    unmanaged_.reset();
  }

  void SetUp() override {
    ASSERT_TRUE(unmanaged_->in_force());
    driver_ = std::make_unique<MainWindowDriver>(windows_path_of(TARNVEX_EXE));
    ASSERT_TRUE(driver_->ready()) << "the main window or one of its controls did not appear";
    program_ = &driver_->program();
    source_ = driver_->source();
    output_ = driver_->output();
    button_ = driver_->button();
    link_copy_ = driver_->link_copy();
    link_open_ = driver_->link_open();
  }

  void TearDown() override {
    if (driver_ && driver_->running()) {
      EXPECT_EQ(driver_->close(), std::optional<DWORD>(0));
    }
    driver_.reset();
  }

  void get_address_of(const std::string& page_address) {
    set_window_text_of(source_, std::wstring(page_address.begin(), page_address.end()));
    post_button_click(button_);
  }

  bool links_visible() const { return driver_->links_visible(); }
  bool links_hidden() const { return driver_->links_hidden(); }

  void expect_success(const std::wstring& address) {
    EXPECT_TRUE(wait_until([&] { return window_text_of(output_) == address && links_visible(); }, 30s))
        << "output box holds: " << testing::PrintToString(window_text_of(output_));
    EXPECT_EQ(window_text_of(source_), L"");
  }

  void expect_failure() {
    const auto box = close_next_message_box(program_->process_id(), 40s);
    ASSERT_TRUE(box.has_value()) << "no message box";
    EXPECT_EQ(box->text, kGetFailed);
    EXPECT_EQ(box->caption, L"\x4fe1\x606f\xff1a");
    EXPECT_TRUE(wait_until([&] { return window_text_of(source_).empty(); }, 5s));
    EXPECT_EQ(window_text_of(output_), L"");
    EXPECT_TRUE(links_hidden());
  }

  static std::unique_ptr<UnmanagedWindowsUnderWine> unmanaged_;
  static std::unique_ptr<LoopbackHttpServer> server_;
  std::unique_ptr<MainWindowDriver> driver_;
  ProgramUnderTest* program_ = nullptr;
  HWND source_ = nullptr, output_ = nullptr, button_ = nullptr, link_copy_ = nullptr, link_open_ = nullptr;
};

std::unique_ptr<UnmanagedWindowsUnderWine> Commands::unmanaged_;
std::unique_ptr<LoopbackHttpServer> Commands::server_;

TEST_F(Commands, FailuresSayGetFailedAndLeaveEverythingEmpty) {
  get_address_of(server_->url("/none"));
  expect_failure();
  get_address_of("");
  expect_failure();
}

TEST_F(Commands, FlashAddressWithoutMarkersGivesEmptyIdentifier) {
  get_address_of(server_->url("/nomarker"));
  expect_success(expected_address(L""));
}

TEST_F(Commands, AddressThenSecondClickHidesLinksFirstAndFailureEmptiesOutput) {
  EXPECT_TRUE(links_hidden()) << "the links start hidden";
  get_address_of(server_->url("/entry"));
  expect_success(expected_address(L"XYZ123"));
  get_address_of(server_->url("/other"));
  expect_success(expected_address(L"QQ9"));
  // While the next page is on its way, the links are already hidden.
  get_address_of(server_->url("/slow"));
  EXPECT_TRUE(wait_until([&] { return links_hidden(); }, 1500ms));
  EXPECT_EQ(window_text_of(output_), expected_address(L"QQ9")) << "the old address stays until the new one";
  expect_success(expected_address(L"SLOW1"));
  get_address_of(server_->url("/none"));
  expect_failure();
}

std::string cut_at_nul(const std::string& bytes) { return bytes.substr(0, bytes.find('\0')); }

TEST_F(Commands, CopyPutsTheOutputTextOnTheClipboard) {
  get_address_of(server_->url("/entry"));
  expect_success(expected_address(L"XYZ123"));
  post_left_click(link_copy_);
  const auto box = close_next_message_box(program_->process_id(), 20s);
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text, kCopyDone);
  const std::wstring address = expected_address(L"XYZ123");
  EXPECT_EQ(cut_at_nul(clipboard_bytes(CF_TEXT)), std::string(address.begin(), address.end()));
  const std::string wide = clipboard_bytes(CF_UNICODETEXT);
  EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(wide.data())), address);
}

TEST_F(Commands, CopyWhenTheClipboardIsBusySaysSo) {
  get_address_of(server_->url("/entry"));
  expect_success(expected_address(L"XYZ123"));
  // Another program holds the clipboard open: the copy cannot happen. (Wine lets
  // two owner-less opens through, so ours is made with a window.)
  const HWND holder =
      CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_TRUE(OpenClipboard(holder));
  post_left_click(link_copy_);
  const auto box = close_next_message_box(program_->process_id(), 20s);
  CloseClipboard();
  DestroyWindow(holder);
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text, L"\x590d\x5236\x5931\x8d25\xff01");  // 复制失败！
}

TEST_F(Commands, CopyOfAnEmptyBoxPutsTheEmptyText) {
  // The links are hidden at start, but their handler still runs on a press.
  post_left_click(link_copy_);
  const auto box = close_next_message_box(program_->process_id(), 20s);
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text, kCopyDone);
  const std::string text = clipboard_bytes(CF_TEXT);
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text[0], '\0');
}

TEST_F(Commands, CopyTakesWhatTheBoxHoldsAtThePressAsCodePage936) {
  set_window_text_of(output_, L"http://\x4f8b\x5b50/\x5730\x5740");  // http://例子/地址, put there by hand
  EXPECT_EQ(driver_->copy(), std::optional<std::wstring>(kCopyDone));
  EXPECT_EQ(cut_at_nul(clipboard_bytes(CF_TEXT)), "http://\xC0\xFD\xD7\xD3/\xB5\xD8\xD6\xB7");
}

TEST_F(Commands, OpenHandsTheOutputTextToTheShell) {
  const std::wstring opened_file = windows_path_of(TARNVEX_OPENED_FILE);
  DeleteFileW(opened_file.c_str());
  const std::wstring browser = windows_path_of(TARNVEX_RECORD_BROWSER).substr(2);
  std::wstring unix_browser = browser;
  for (wchar_t& c : unix_browser) c = c == L'\\' ? L'/' : c;
  const ScopedUserSetting browsers(L"Software\\Wine\\WineBrowser", L"Browsers", unix_browser);
  ASSERT_TRUE(browsers.set());

  get_address_of(server_->url("/entry"));
  expect_success(expected_address(L"XYZ123"));
  post_left_click(link_open_);
  const std::wstring address = expected_address(L"XYZ123");
  std::string opened;
  const auto opened_lines = [&](std::size_t lines) {
    return wait_until(
        [&] {
          std::stringstream all;
          all << std::ifstream{std::filesystem::path(opened_file)}.rdbuf();
          opened = all.str();
          return static_cast<std::size_t>(std::count(opened.begin(), opened.end(), '\n')) >= lines;
        },
        30s);
  };
  EXPECT_TRUE(opened_lines(1));
  EXPECT_EQ(opened, std::string(address.begin(), address.end()) + "\n");
  EXPECT_TRUE(links_visible()) << "opening changes nothing in the window";
  // What the box holds at the press is opened, even when changed by hand.
  set_window_text_of(output_, L"http://changed.example/x");
  post_left_click(link_open_);
  EXPECT_TRUE(opened_lines(2));
  EXPECT_EQ(opened.substr(opened.find('\n') + 1), "http://changed.example/x\n");
}

}  // namespace
