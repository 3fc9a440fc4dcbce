// The get-address, copy and open commands of the real program, driven from a
// second process as a user would: type into the source box, click the button,
// read the boxes and message boxes, press on the links, read the clipboard.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "tests/support/dialogs_win32.h"
#include "tests/support/loopback_http_server.h"
#include "tests/support/program_win32.h"

namespace {

using namespace std::chrono_literals;

const std::wstring kCaption = L"  Tarnvex";
const std::wstring kGetFailed = L"\x83b7\x53d6\x5931\x8d25\xff01";                        // 获取失败！
const std::wstring kCopyDone = L"\x590d\x5236\x6210\x529f\xff01";                         // 复制成功！
const std::wstring kButtonCaption = L"\x83b7\x53d6\x81ea\x52a8\x64ad\x653e\x5730\x5740";  // 获取自动播放地址
const std::wstring kCopyCaption = L"\x70b9\x51fb\x590d\x5236\x5730\x5740";  // 点击复制地址
const std::wstring kOpenCaption = L"\x70b9\x51fb\x6253\x5f00";              // 点击打开
constexpr char kFlashUtf8[] = "flash\xE5\x9C\xB0\xE5\x9D\x80";              // flash地址 in UTF-8

std::string page_with(const std::string& flash_value) {
  return std::string("<html><body><p>\xE8\xA7\x86\xE9\xA2\x91</p>\n<li>") + kFlashUtf8 +
         "\xEF\xBC\x9A<input type=\"text\"\n value=\"" + flash_value + "\" ></li></body></html>";
}

std::wstring expected_address(const std::wstring& identifier) {
  const std::string host = TARNVEX_PLAYER_HOST;
  return L"http://" + std::wstring(host.begin(), host.end()) + L"/loader.swf?VideoIDS=" + identifier +
         L"&embedid=&isAutoPlay=true&isShowRelatedVideo=false&embedid=-&showAd=0";
}

class Commands : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = std::make_unique<LoopbackHttpServer>([](const RecordedRequest& request) {
      if (request.target == "/entry")
        return http_response(200, page_with("http://p.example/player.php/sid/XYZ123/v.swf"));
      if (request.target == "/other") return http_response(200, page_with("http://p.example/sid/QQ9/v.swf"));
      if (request.target == "/slow") {
        Sleep(2000);
        return http_response(200, page_with("http://p.example/sid/SLOW1/v.swf"));
      }
      if (request.target == "/nomarker") return http_response(200, page_with("http://p.example/movie.swf"));
      return http_response(200, "<html>no player here</html>");
    });
  }
  static void TearDownTestSuite() { server_.reset(); }

  void SetUp() override {
    program_ = std::make_unique<ProgramUnderTest>(windows_path_of(TARNVEX_EXE), kCaption);
    ASSERT_TRUE(program_->started()) << "the main window did not appear";
    const HWND window = program_->main_window();
    source_ = program_->find_control(L"Edit", nullptr, window);
    button_ = program_->find_control(L"Button", kButtonCaption.c_str());
    link_copy_ = program_->find_control(L"TarnvexHyperLinker", kCopyCaption.c_str());
    link_open_ = program_->find_control(L"TarnvexHyperLinker", kOpenCaption.c_str());
    ASSERT_NE(source_, nullptr);
    ASSERT_NE(button_, nullptr);
    ASSERT_NE(link_copy_, nullptr);
    ASSERT_NE(link_open_, nullptr);
    output_ = program_->find_control(L"Edit", nullptr, GetParent(link_copy_));
    ASSERT_NE(output_, nullptr);
    ASSERT_NE(output_, source_);
  }

  void TearDown() override {
    if (program_ && program_->started()) {
      EXPECT_EQ(program_->close_and_wait(), std::optional<DWORD>(0));
    }
    program_.reset();
  }

  void get_address_of(const std::string& page_address) {
    set_window_text_of(source_, std::wstring(page_address.begin(), page_address.end()));
    post_button_click(button_);
  }

  bool links_visible() const { return IsWindowVisible(link_copy_) && IsWindowVisible(link_open_); }
  bool links_hidden() const { return !IsWindowVisible(link_copy_) && !IsWindowVisible(link_open_); }

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

  static std::unique_ptr<LoopbackHttpServer> server_;
  std::unique_ptr<ProgramUnderTest> program_;
  HWND source_ = nullptr, output_ = nullptr, button_ = nullptr, link_copy_ = nullptr, link_open_ = nullptr;
};

std::unique_ptr<LoopbackHttpServer> Commands::server_;

TEST_F(Commands, PageWithEntryShowsAddressAndLinks) {
  EXPECT_TRUE(links_hidden()) << "the links start hidden";
  get_address_of(server_->url("/entry"));
  expect_success(expected_address(L"XYZ123"));
}

TEST_F(Commands, FailuresSayGetFailedAndLeaveEverythingEmpty) {
  get_address_of(server_->url("/none"));
  expect_failure();
  const ClosedPort closed;
  get_address_of(closed.url("/closed-port"));
  expect_failure();
  get_address_of("");
  expect_failure();
}

TEST_F(Commands, FlashAddressWithoutMarkersGivesEmptyIdentifier) {
  get_address_of(server_->url("/nomarker"));
  expect_success(expected_address(L""));
}

TEST_F(Commands, SecondClickHidesLinksFirstAndFailureEmptiesOutput) {
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

std::string clipboard_bytes(UINT format) {
  std::string bytes;
  if (!OpenClipboard(nullptr)) return "<clipboard busy>";
  if (HANDLE data = GetClipboardData(format)) {
    const auto* p = static_cast<const char*>(GlobalLock(data));
    bytes.assign(p, GlobalSize(data));
    GlobalUnlock(data);
  } else {
    bytes = "<no such format>";
  }
  CloseClipboard();
  return bytes;
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

TEST_F(Commands, OpenHandsTheOutputTextToTheShell) {
  const std::wstring opened_file = windows_path_of(TARNVEX_OPENED_FILE);
  DeleteFileW(opened_file.c_str());
  const std::wstring browser = windows_path_of(TARNVEX_RECORD_BROWSER).substr(2);
  std::wstring unix_browser = browser;
  for (wchar_t& c : unix_browser) c = c == L'\\' ? L'/' : c;
  ASSERT_EQ(
      RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Wine\\WineBrowser", L"Browsers", REG_SZ,
                      unix_browser.c_str(), static_cast<DWORD>((unix_browser.size() + 1) * sizeof(wchar_t))),
      ERROR_SUCCESS);

  get_address_of(server_->url("/entry"));
  expect_success(expected_address(L"XYZ123"));
  post_left_click(link_open_);
  const std::wstring address = expected_address(L"XYZ123");
  std::string opened;
  EXPECT_TRUE(wait_until(
      [&] {
        std::ifstream file{std::filesystem::path(opened_file)};
        std::stringstream all;
        all << file.rdbuf();
        opened = all.str();
        return !opened.empty();
      },
      30s));
  EXPECT_EQ(opened, std::string(address.begin(), address.end()) + "\n");
  EXPECT_TRUE(links_visible()) << "opening changes nothing in the window";
}

}  // namespace
