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

#include "tests/support/program_suite_win32.h"

namespace {

using namespace std::chrono_literals;

const std::wstring kGetFailed = kGetFailedMessage;
const std::wstring kCopyDone = kCopyDoneMessage;

class Commands : public ProgramSuite<> {
 protected:
  static void SetUpTestSuite() {
    start_suite([](const RecordedRequest& request) {
      if (request.target == "/entry") return http_response(200, video_page(player_address("XYZ123")));
      if (request.target == "/other") return http_response(200, video_page(player_address("QQ9")));
      if (request.target == "/slow") {
        Sleep(2000);
        return http_response(200, video_page(player_address("SLOW1")));
      }
      if (request.target == "/slow4") {
        Sleep(4000);
        return http_response(200, video_page(player_address("SLOW4")));
      }
      if (request.target == "/slow3-none") {
        Sleep(3000);
        return http_response(200, "<html>no player here</html>");
      }
      if (request.target == "/nomarker") return http_response(200, video_page("http://p.example/movie.swf"));
      if (request.target == "/silent" || request.target == "/trickle") {
        // Silence, or the page one byte every 3 s, until the suite's server stops.
        const bool silent = request.target == "/silent";
        ScriptedResponse response = http_response(200, video_page(player_address("TRICKLE")));
        if (silent) response.head = response.body = "";
        response.behaviour =
            silent ? ScriptedResponse::Behaviour::kNeverAnswer : ScriptedResponse::Behaviour::kTrickle;
        response.stall = silent ? 10min : 3s;
        return response;
      }
      return http_response(200, "<html>no player here</html>");
    });
  }
  void SetUp() override {
    ProgramSuite::SetUp();
    if (HasFatalFailure()) return;
    program_ = &driver_->program();
    source_ = driver_->source();
    output_ = driver_->output();
    button_ = driver_->button();
    link_copy_ = driver_->link_copy();
    link_open_ = driver_->link_open();
  }

  void get_address_of(const std::string& page_address) {
    set_window_text_of(source_, std::wstring(page_address.begin(), page_address.end()));
    post_button_click(button_);
  }

  static long requests_to(const std::string& target) {
    const auto all = server_->requests();
    return static_cast<long>(
        std::count_if(all.begin(), all.end(), [&](const auto& r) { return r.target == target; }));
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

  ProgramUnderTest* program_ = nullptr;
  HWND source_ = nullptr, output_ = nullptr, button_ = nullptr, link_copy_ = nullptr, link_open_ = nullptr;
};

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

TEST_F(Commands, ClicksAndKeysDuringADownloadStartNoSecondCommand) {
  const long before = requests_to("/slow4");
  get_address_of(server_->url("/slow4"));
  ASSERT_TRUE(wait_until([&] { return requests_to("/slow4") == before + 1; }, 10s));
  // The page is on its way: a click sent to the button, a press on it, the
  // space key on it and a press on the copy link must all come to nothing.
  post_button_click(button_);
  post_left_click(button_);
  PostMessageW(button_, WM_KEYDOWN, VK_SPACE, 0);
  PostMessageW(button_, WM_KEYUP, VK_SPACE, 0);
  post_left_click(link_copy_);
  expect_success(expected_address(L"SLOW4"));
  EXPECT_FALSE(wait_until([&] { return requests_to("/slow4") > before + 1; }, 2s)) << "a second request";
  EXPECT_EQ(find_message_box(program_->process_id()), nullptr) << "the copy ran";
}

TEST_F(Commands, ClosingDuringAnyExchangeEndsTheProgramWithoutAMessage) {
  // A page that comes late, a server that says nothing, a page that trickles in:
  // the close ends the program at once, not when the server is done.
  for (const std::string target : {"/slow3-none", "/silent", "/trickle"}) {
    if (target != "/slow3-none") SetUp();  // a fresh program for each exchange
    const long before = requests_to(target);
    get_address_of(server_->url(target));
    ASSERT_TRUE(wait_until([&] { return requests_to(target) == before + 1; }, 10s)) << target;
    Sleep(1000);
    PostMessageW(program_->main_window(), WM_CLOSE, 0, 0);
    bool box_seen = false;
    const bool ended = wait_until(
        [&] {
          box_seen = box_seen || find_message_box(program_->process_id()) != nullptr;
          return WaitForSingleObject(program_->process(), 0) == WAIT_OBJECT_0;
        },
        5s);
    EXPECT_TRUE(ended) << target << ": still running 5 s after the close";
    EXPECT_FALSE(box_seen) << target << ": a message box after the window was gone";
    EXPECT_EQ(program_->wait_for_exit(30s), std::optional<DWORD>(0)) << target;
  }
}

TEST_F(Commands, ClosingWhileTheCopyMessageIsUpEndsTheProgramOnceItIsAnswered) {
  const HWND window = program_->main_window();
  post_left_click(link_copy_);
  ASSERT_TRUE(wait_until([&] { return find_message_box(program_->process_id()) != nullptr; }, 20s));
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(wait_until([&] { return !IsWindow(window); }, 10s));
  // The copy's handler returns into the press on a link whose window is gone.
  const auto box = close_next_message_box(program_->process_id(), 10s);
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text, kCopyDone);
  EXPECT_EQ(program_->wait_for_exit(10s), std::optional<DWORD>(0));
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
  const auto opened_lines = [&](std::size_t lines, std::chrono::milliseconds patience = 30s) {
    return wait_until(
        [&] {
          std::stringstream all;
          all << std::ifstream{std::filesystem::path(opened_file)}.rdbuf();
          opened = all.str();
          return static_cast<std::size_t>(std::count(opened.begin(), opened.end(), '\n')) >= lines;
        },
        patience);
  };
  EXPECT_TRUE(opened_lines(1));
  EXPECT_EQ(opened, std::string(address.begin(), address.end()) + "\n");
  EXPECT_TRUE(links_visible()) << "opening changes nothing in the window";
  // What the box holds at the press is opened, even when changed by hand, and
  // with a window titled as the browser's about (it becomes the request's owner).
  const HWND browser_window = CreateWindowExW(0, L"STATIC", L"Microsoft Internet Explorer", 0, 0, 0, 0, 0,
                                              nullptr, nullptr, nullptr, nullptr);
  set_window_text_of(output_, L"http://changed.example/x");
  post_left_click(link_open_);
  EXPECT_TRUE(opened_lines(2));
  DestroyWindow(browser_window);
  EXPECT_EQ(opened.substr(opened.find('\n') + 1), "http://changed.example/x\n");
  // An empty box hands the shell an empty string, which opens nothing: once
  // the program has ended (the close comes after the press), nothing more is recorded.
  set_window_text_of(output_, L"");
  post_left_click(link_open_);
  EXPECT_EQ(driver_->close(), std::optional<DWORD>(0));
  EXPECT_FALSE(opened_lines(3, 100ms));
}

TEST_F(Commands, HostileIdentifierIsShownEscaped) {
  // 视频 in UTF-8 on the page; a tab between l and m; euro signs, which code
  // page 936 writes as the single byte 0x80, before the characters they must not hide.
  LoopbackHttpServer hostile([](const RecordedRequest&) {
    return http_response(200, video_page("http://p.example/sid/a b\"c<d>&e#f|g^h`i{j}k\\l\tm%41"
                                         "\xE8\xA7\x86\xE9\xA2\x91=-_.X\xE2\x82\xAC&isAutoPlay=false"
                                         "\xE2\x82\xAC#frag\xE2\x82\xAC Z/v.swf"));
  });
  get_address_of(hostile.url("/hostile"));
  expect_success(
      expected_address(L"a%20b%22c%3Cd%3E%26e%23f%7Cg%5Eh%60i%7Bj%7Dk%5Cl%09m%41\x89c6\x9891=-_."
                       L"X\x20ac%26isAutoPlay=false\x20ac%23frag\x20ac%20Z"));
}

TEST_F(Commands, CopyWaitsForAClipboardHeldBriefly) {
  // Held by another program's window, and let go well within the program's 100 ms of patience.
  const HWND holder =
      CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  get_address_of(server_->url("/other"));
  expect_success(expected_address(L"QQ9"));
  ASSERT_TRUE(OpenClipboard(holder));
  post_left_click(link_copy_);
  Sleep(40);
  CloseClipboard();
  DestroyWindow(holder);
  const auto box = close_next_message_box(program_->process_id(), 20s);
  EXPECT_EQ(box ? box->text : L"<no message box>", kCopyDone);
  EXPECT_EQ(cut_at_nul(clipboard_bytes(CF_TEXT)), expected_address(std::string("QQ9")));
}

}  // namespace
