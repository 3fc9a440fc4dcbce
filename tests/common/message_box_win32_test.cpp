#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

#include "common/codepage_win32.h"
#include "common/message_box.h"
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
  EXPECT_EQ(local_to_wide(local), L"a\x5730\x5740z");
  EXPECT_EQ(wide_to_local(L"a\x5730\x5740z"), local);
  EXPECT_EQ(local_to_wide(""), L"");
}

}  // namespace
