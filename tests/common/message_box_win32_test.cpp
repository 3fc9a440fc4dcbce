#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

#include "common/codepage_win32.h"
#include "common/message_box.h"
#include "common/text.h"
#include "common/win32/input_queue.h"
#include "tests/support/dialogs_win32.h"

namespace {

TEST(MessageBoxHelper, ShowsTextAndCaptionInChinese) {
  // A window of this thread: the task-modal box disables it while it shows.
  const HWND window =
      CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  MessageBoxCloser closer;
  show_message("\xBB\xF1\xC8\xA1\xCA\xA7\xB0\xDC\xA3\xA1");  // 获取失败！
  const auto seen = closer.seen();
  ASSERT_EQ(seen.size(), 1u) << "no message box appeared (is there a display?)";
  EXPECT_EQ(seen[0].text, L"\x83b7\x53d6\x5931\x8d25\xff01");
  EXPECT_EQ(seen[0].caption, L"\x4fe1\x606f\xff1a");
  // MB_OK | MB_TASKMODAL: no owner, one button, no icon, the thread's windows disabled.
  EXPECT_EQ(seen[0].owner, nullptr);
  EXPECT_EQ(seen[0].buttons, 1);
  EXPECT_FALSE(seen[0].icon);
  EXPECT_EQ(std::count(seen[0].enabled_thread_windows.begin(), seen[0].enabled_thread_windows.end(), window),
            0);
  EXPECT_TRUE(IsWindowEnabled(window)) << "enabled again once the box is closed";
  DestroyWindow(window);
}

TEST(CodePage, RoundTripThroughWide) {
  const Text local = "a\xB5\xD8\xD6\xB7z";  // a地址z
  EXPECT_EQ(gbk_to_wide(local), L"a\x5730\x5740z");
  EXPECT_EQ(wide_to_gbk(L"a\x5730\x5740z"), local);
  EXPECT_EQ(gbk_to_wide(""), L"");
}

TEST(CodePage, PairTakesTheCodePageAndFlags) {
  EXPECT_EQ(to_wide(CP_UTF8, 0, std::string_view("a\xE5\x9C\xB0\0z", 6)), std::wstring(L"a\x5730\0z", 4));
  EXPECT_EQ(from_wide(936, 0, L"\x5730"), "\xB5\xD8");
  EXPECT_EQ(from_wide(CP_UTF8, 0, L"\x5730"), "\xE5\x9C\xB0");
  // Malformed input fails only when asked to, and a failure is the empty result.
  EXPECT_EQ(to_wide(CP_UTF8, MB_ERR_INVALID_CHARS, "a\xFF"), L"");
  EXPECT_EQ(to_wide(CP_UTF8, 0, "a\xFF"), L"a\xFFFD");
  EXPECT_EQ(to_wide(CP_UTF8, 0, ""), L"");
}

TEST(InputQueue, DropsQueuedInputAndKeepsOtherMessages) {
  const HWND window =
      CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  for (const UINT posted :
       {UINT{WM_LBUTTONDOWN}, UINT{WM_APP}, UINT{WM_KEYDOWN}, UINT{BM_CLICK}, UINT{WM_RBUTTONUP}}) {
    PostMessageW(window, posted, 0, 0);
  }
  drop_queued_input();
  MSG message{};
  ASSERT_TRUE(PeekMessageW(&message, window, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, UINT{WM_APP});
  EXPECT_FALSE(PeekMessageW(&message, window, 0, 0, PM_REMOVE)) << "left behind: " << message.message;
  DestroyWindow(window);
}

}  // namespace
