// A failed memory request ends the program: one message box, the end sequence,
// exit code -1.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/support/dialogs_win32.h"
#include "tests/support/program_win32.h"

namespace {

TEST(FatalError, FailedAllocationShowsTheMessageRunsTheEndSequenceAndExitsMinusOne) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring marker = std::wstring(temp) + L"tarnvex_fatal_probe.marker";
  DeleteFileW(marker.c_str());

  const std::wstring exe = windows_path_of(FATAL_PROBE_FILE);
  std::wstring command_line = L"\"" + exe + L"\" \"" + marker + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  ASSERT_TRUE(CreateProcessW(exe.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &info));
  const auto seen = close_next_message_box(info.dwProcessId, std::chrono::seconds(30));
  const DWORD waited = WaitForSingleObject(info.hProcess, 20000);
  if (waited != WAIT_OBJECT_0) TerminateProcess(info.hProcess, 1);
  DWORD code = 0;
  GetExitCodeProcess(info.hProcess, &code);
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);

  ASSERT_TRUE(seen.has_value()) << "no message box";
  EXPECT_EQ(seen->caption, L"信息：");
  EXPECT_EQ(seen->text, L"运行时出错!\r\n\r\n错误信息：分配 4611686018427387904 字节内存失败!\r\n");
  ASSERT_EQ(waited, WAIT_OBJECT_0);
  EXPECT_EQ(code, static_cast<DWORD>(-1));
  EXPECT_NE(GetFileAttributesW(marker.c_str()), INVALID_FILE_ATTRIBUTES) << "the end sequence did not run";
  DeleteFileW(marker.c_str());
}

}  // namespace
