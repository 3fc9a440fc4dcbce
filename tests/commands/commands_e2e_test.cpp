// The get-address, copy and open commands of the real program, driven from a
// second process as a user would: type into the source box, click the button,
// read the boxes and message boxes, press on the links, read the clipboard.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "tests/skin/probe_log_win32.h"
#include "tests/support/program_suite_win32.h"

namespace {

using namespace std::chrono_literals;

class Commands : public ProgramSuite<> {
 protected:
  static void SetUpTestSuite() {
    start_suite([](const RecordedRequest& request) {
      if (request.target == "/entry") return http_response(200, video_page(player_address("XYZ123")));
      if (request.target == "/other") return http_response(200, video_page(player_address("QQ9")));
      // Every kind of redirect, relative with dot segments and a fragment that must not be sent.
      for (const int status : {301, 302, 303, 307, 308}) {
        if (request.target == "/a/b/r" + std::to_string(status))
          return http_response(status, "", {"Location: ../../entry#top"});
      }
      // Pages that come late: how long the server thinks first, and what it gives then.
      static const std::map<std::string, std::pair<DWORD, std::string>> kLate = {
          {"/slow", {2000, video_page(player_address("SLOW1"))}},
          {"/slow4", {4000, video_page(player_address("SLOW4"))}},
          {"/slow3-none", {3000, "<html>no player here</html>"}}};
      if (const auto late = kLate.find(request.target); late != kLate.end()) {
        Sleep(late->second.first);
        return http_response(200, late->second.second);
      }
      if (request.target == "/nomarker") return http_response(200, video_page("http://p.example/movie.swf"));
      // Exchanges that go on until the suite's server stops: silence before the
      // head or after part of the body, or the page one byte every 3 s; with a
      // length or chunked.
      static const std::map<std::string, std::pair<bool, ScriptedResponse::Behaviour>> kEndless = {
          {"/silent", {false, ScriptedResponse::Behaviour::kNeverAnswer}},
          {"/trickle", {false, ScriptedResponse::Behaviour::kTrickle}},
          {"/length-silent", {false, ScriptedResponse::Behaviour::kStallAfterHead}},
          {"/chunked-silent", {true, ScriptedResponse::Behaviour::kStallAfterHead}},
          {"/chunked-trickle", {true, ScriptedResponse::Behaviour::kTrickle}}};
      if (const auto endless = kEndless.find(request.target); endless != kEndless.end()) {
        const auto [chunks, behaviour] = endless->second;
        ScriptedResponse response = http_response(200, video_page(player_address("TRICKLE")));
        if (chunks) {
          response.head = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
          response.body = chunked(response.body);
        }
        if (behaviour == ScriptedResponse::Behaviour::kNeverAnswer) response.head = response.body = "";
        if (behaviour == ScriptedResponse::Behaviour::kStallAfterHead) response.body.resize(40);
        response.behaviour = behaviour;
        response.stall = behaviour == ScriptedResponse::Behaviour::kTrickle ? 3s : 10min;
        return response;
      }
      return http_response(200, "<html>no player here</html>");
    });
  }
  void get_address_of(const std::string& page_address) {
    // A click counts once the previous command has returned: until then it is
    // dropped with that command's queued input. A sent message proves nothing
    // (the drop itself answers it); a posted selection seen in the box does, as
    // only the main loop dispatches it, and the drop has passed by then.
    const HWND box = driver_->source();
    set_window_text_of(box, L"xy");
    SendMessageW(box, EM_SETSEL, 2, 2);
    PostMessageW(box, EM_SETSEL, 0, 1);
    EXPECT_TRUE(wait_until([&] { return SendMessageW(box, EM_GETSEL, 0, 0) == MAKELRESULT(0, 1); }, 10s));
    set_window_text_of(box, std::wstring(page_address.begin(), page_address.end()));
    post_button_click(driver_->button());
  }

  static long requests_to(const std::string& target) {
    const auto all = server_->requests();
    return static_cast<long>(
        std::count_if(all.begin(), all.end(), [&](const auto& r) { return r.target == target; }));
  }

  void expect_success(const wchar_t* identifier) {
    const std::wstring address = expected_address(identifier);
    EXPECT_TRUE(
        wait_until([&] { return driver_->output_text() == address && driver_->links_visible(); }, 30s))
        << "output box holds: " << testing::PrintToString(driver_->output_text());
    EXPECT_EQ(driver_->source_text(), L"");
  }
  void expect_address_of(const std::string& target, const wchar_t* identifier) {
    get_address_of(server_->url(target));
    expect_success(identifier);
  }

  void expect_failure() {
    const auto box = close_next_message_box(driver_->program().process_id(), 40s);
    ASSERT_TRUE(box.has_value()) << "no message box";
    EXPECT_EQ(box->text, kGetFailedMessage);
    EXPECT_EQ(box->caption, L"\x4fe1\x606f\xff1a");
    EXPECT_TRUE(wait_until([&] { return driver_->source_text().empty(); }, 5s));
    EXPECT_EQ(driver_->output_text(), L"");
    EXPECT_TRUE(driver_->links_hidden());
  }
};

TEST_F(Commands, FailuresSayGetFailedAndLeaveEverythingEmpty) {
  get_address_of(server_->url("/none"));
  expect_failure();
  get_address_of("");
  expect_failure();
}

// The window that has the keyboard focus in the program's thread: where its caret is.
HWND focus_of(const MainWindowDriver& driver) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(GetWindowThreadProcessId(driver.source(), nullptr), &info) ? info.hwndFocus
                                                                                     : nullptr;
}

TEST_F(Commands, TheCaretStartsInTheSourceBox) {
  EXPECT_TRUE(wait_until([&] { return focus_of(*driver_) == driver_->source(); }, 5s));
}

TEST_F(Commands, EnterInTheSourceBoxGetsTheAddress) {
  post_left_click(driver_->source());  // the box focused by a press, so that Enter alone is under test
  ASSERT_TRUE(wait_until([&] { return focus_of(*driver_) == driver_->source(); }, 5s));
  const std::string page = server_->url("/entry");
  set_window_text_of(driver_->source(), std::wstring(page.begin(), page.end()));
  keybd_event(VK_RETURN, 0, 0, 0);  // real key input, which goes to the focus
  keybd_event(VK_RETURN, 0, KEYEVENTF_KEYUP, 0);
  expect_success(L"XYZ123");
}

TEST_F(Commands, FlashAddressWithoutMarkersGivesEmptyIdentifier) { expect_address_of("/nomarker", L""); }

TEST_F(Commands, RedirectsOfEveryKindAreFollowed) {
  for (const int status : {301, 302, 303, 307, 308}) {
    SCOPED_TRACE(status);
    const long before = requests_to("/entry");
    get_address_of(server_->url("/a/b/r" + std::to_string(status)));
    // The links are hidden from the click on, so the address seen is this click's.
    EXPECT_TRUE(wait_until([&] { return requests_to("/entry") == before + 1; }, 30s));
    expect_success(L"XYZ123");
  }
}

TEST_F(Commands, AddressThenSecondClickHidesLinksFirstAndFailureEmptiesOutput) {
  EXPECT_TRUE(driver_->links_hidden()) << "the links start hidden";
  expect_address_of("/entry", L"XYZ123");
  expect_address_of("/other", L"QQ9");
  // While the next page is on its way, the links are already hidden.
  get_address_of(server_->url("/slow"));
  EXPECT_TRUE(wait_until([&] { return driver_->links_hidden(); }, 1500ms));
  EXPECT_EQ(driver_->output_text(), expected_address(L"QQ9")) << "the old address stays until the new one";
  expect_success(L"SLOW1");
  get_address_of(server_->url("/none"));
  expect_failure();
}

TEST_F(Commands, ClicksAndKeysDuringADownloadStartNoSecondCommand) {
  const long before = requests_to("/slow4");
  get_address_of(server_->url("/slow4"));
  ASSERT_TRUE(wait_until([&] { return requests_to("/slow4") == before + 1; }, 10s));
  // The page is on its way: a click sent to the button, a press on it, the
  // space key on it, Enter in the source box and a press on the copy link
  // must all come to nothing.
  post_button_click(driver_->button());
  PostMessageW(driver_->source(), WM_KEYDOWN, VK_RETURN, 0);
  post_left_click(driver_->button());
  PostMessageW(driver_->button(), WM_KEYDOWN, VK_SPACE, 0);
  PostMessageW(driver_->button(), WM_KEYUP, VK_SPACE, 0);
  post_left_click(driver_->link_copy());
  expect_success(L"SLOW4");
  EXPECT_FALSE(wait_until([&] { return requests_to("/slow4") > before + 1; }, 2s)) << "a second request";
  EXPECT_EQ(find_message_box(driver_->program().process_id()), nullptr) << "the copy ran";
}

TEST_F(Commands, ClosingDuringAnyExchangeEndsTheProgramAtOnceWithItsEndSequence) {
  // A page that comes late, a server that says nothing, a body that stops or
  // trickles in, with a length or chunked: the close ends the program at once,
  // not when the server is done, and the engine is still let go before OLE.
  EXPECT_EQ(driver_->close(), std::optional<DWORD>(0));
  for (const std::string target :
       {"/slow3-none", "/silent", "/trickle", "/length-silent", "/chunked-silent", "/chunked-trickle"}) {
    const ProbeAtFixedPlace probe(windows_path_of(TARNVEX_PROBE_ENGINE_FILE));
    ASSERT_TRUE(probe.placed());
    SetUp();  // a fresh program for each exchange, with the probe as its engine
    const long before = requests_to(target);
    get_address_of(server_->url(target));
    ASSERT_TRUE(wait_until([&] { return requests_to(target) == before + 1; }, 10s)) << target;
    Sleep(1000);
    PostMessageW(driver_->program().main_window(), WM_CLOSE, 0, 0);
    bool box_seen = false;
    const bool ended = wait_until(
        [&] {
          box_seen = box_seen || find_message_box(driver_->program().process_id()) != nullptr;
          return WaitForSingleObject(driver_->program().process(), 0) == WAIT_OBJECT_0;
        },
        2s);
    EXPECT_TRUE(ended) << target << ": still running 2 s after the close";
    EXPECT_FALSE(box_seen) << target << ": a message box after the window was gone";
    EXPECT_EQ(driver_->program().wait_for_exit(30s), std::optional<DWORD>(0)) << target;
    EXPECT_EQ(probe.log(), "attach\ndetach\nunload in OLE\n") << target;
  }
}

TEST_F(Commands, ClosingWhileTheCopyMessageIsUpEndsTheProgramOnceItIsAnswered) {
  const HWND window = driver_->program().main_window();
  post_left_click(driver_->link_copy());
  ASSERT_TRUE(wait_until([&] { return find_message_box(driver_->program().process_id()) != nullptr; }, 20s));
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(wait_until([&] { return !IsWindow(window); }, 10s));
  // The copy's handler returns into the press on a link whose window is gone.
  const auto box = close_next_message_box(driver_->program().process_id(), 10s);
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text, kCopyDoneMessage);
  EXPECT_EQ(driver_->program().wait_for_exit(10s), std::optional<DWORD>(0));
}

std::string cut_at_nul(const std::string& bytes) { return bytes.substr(0, bytes.find('\0')); }

TEST_F(Commands, CopyPutsTheOutputTextOnTheClipboard) {
  expect_address_of("/entry", L"XYZ123");
  EXPECT_EQ(driver_->copy(), std::optional<std::wstring>(kCopyDoneMessage));
  const std::wstring address = expected_address(L"XYZ123");
  EXPECT_EQ(cut_at_nul(clipboard_bytes(CF_TEXT)), std::string(address.begin(), address.end()));
  const std::string wide = clipboard_bytes(CF_UNICODETEXT);
  EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(wide.data())), address);
}

// Another program's window holding the clipboard open while this lives. (Wine
// lets two owner-less opens through, so ours is made with a window.)
struct ClipboardHolder {
  HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, 0, 0, 0);
  bool held = OpenClipboard(window) != 0;
  ~ClipboardHolder() { release(); }
  void release() {
    if (held) CloseClipboard();
    held = false;
    if (window) DestroyWindow(window);
    window = nullptr;
  }
};

TEST_F(Commands, CopyWhenTheClipboardIsBusySaysSo) {
  expect_address_of("/entry", L"XYZ123");
  // Held for ten times the program's 100 ms of patience, then let go: a program
  // that waited longer would copy after all.
  ClipboardHolder holder;
  ASSERT_TRUE(holder.held);
  post_left_click(driver_->link_copy());
  Sleep(1000);
  holder.release();
  const auto box = close_next_message_box(driver_->program().process_id(), 20s);
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text, L"\x590d\x5236\x5931\x8d25\xff01");  // 复制失败！
}

TEST_F(Commands, CopyOfAnEmptyBoxPutsTheEmptyText) {
  // The links are hidden at start, but their handler still runs on a press.
  EXPECT_EQ(driver_->copy(), std::optional<std::wstring>(kCopyDoneMessage));
  const std::string text = clipboard_bytes(CF_TEXT);
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text[0], '\0');
}

TEST_F(Commands, CopyTakesWhatTheBoxHoldsAtThePressAsCodePage936) {
  set_window_text_of(driver_->output(),
                     L"http://\x4f8b\x5b50/\x5730\x5740");  // http://例子/地址, put there by hand
  EXPECT_EQ(driver_->copy(), std::optional<std::wstring>(kCopyDoneMessage));
  EXPECT_EQ(cut_at_nul(clipboard_bytes(CF_TEXT)), "http://\xC0\xFD\xD7\xD3/\xB5\xD8\xD6\xB7");
}

TEST_F(Commands, OpenHandsTheOutputTextToTheShell) {
  const std::wstring opened_file = windows_path_of(TARNVEX_OPENED_FILE);
  DeleteFileW(opened_file.c_str());
  const std::wstring browser = windows_path_of(TARNVEX_RECORD_BROWSER).substr(2);
  std::wstring unix_browser = browser;
  std::replace(unix_browser.begin(), unix_browser.end(), L'\\', L'/');
  const ScopedUserSetting browsers(L"Software\\Wine\\WineBrowser", L"Browsers", unix_browser);
  ASSERT_TRUE(browsers.set());

  expect_address_of("/entry", L"XYZ123");
  post_left_click(driver_->link_open());
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
  EXPECT_TRUE(driver_->links_visible()) << "opening changes nothing in the window";
  // What the box holds at the press is opened, even when changed by hand, and
  // with a window titled as the browser's about (it becomes the request's owner).
  const HWND browser_window = CreateWindowExW(0, L"STATIC", L"Microsoft Internet Explorer", 0, 0, 0, 0, 0,
                                              nullptr, nullptr, nullptr, nullptr);
  set_window_text_of(driver_->output(), L"http://changed.example/x");
  post_left_click(driver_->link_open());
  EXPECT_TRUE(opened_lines(2));
  DestroyWindow(browser_window);
  EXPECT_EQ(opened.substr(opened.find('\n') + 1), "http://changed.example/x\n");
  // An empty box hands the shell an empty string, which opens nothing: once
  // the program has ended (the close comes after the press), nothing more is recorded.
  set_window_text_of(driver_->output(), L"");
  post_left_click(driver_->link_open());
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
      L"a%20b%22c%3Cd%3E%26e%23f%7Cg%5Eh%60i%7Bj%7Dk%5Cl%09m%41\x89c6\x9891=-_."
      L"X\x20ac%26isAutoPlay=false\x20ac%23frag\x20ac%20Z");
}

TEST_F(Commands, CopyWaitsForAClipboardHeldBriefly) {
  expect_address_of("/other", L"QQ9");
  ClipboardHolder holder;
  ASSERT_TRUE(holder.held);
  post_left_click(driver_->link_copy());
  // The handler has met the busy clipboard once the program stops answering
  // while it waits; let go then, well within its 100 ms of patience.
  const auto answers = [&] {
    return SendMessageTimeoutW(driver_->program().main_window(), WM_NULL, 0, 0, SMTO_NORMAL, 15, nullptr) !=
           0;
  };
  EXPECT_TRUE(wait_until([&] { return !answers(); }, 10s)) << "the copy never waited for the clipboard";
  holder.release();
  const auto box = close_next_message_box(driver_->program().process_id(), 20s);
  EXPECT_EQ(box ? box->text : L"<no message box>", kCopyDoneMessage);
  EXPECT_EQ(cut_at_nul(clipboard_bytes(CF_TEXT)), expected_address("QQ9"));
}

}  // namespace
