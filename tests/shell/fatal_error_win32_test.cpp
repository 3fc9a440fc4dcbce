// The program's fatal errors, seen from outside: a probe process runs into one
// and must show exactly one message box with the right text, run the clean-up
// registered with set_fatal_cleanup (the probe's own, which leaves a marker
// file) and exit with -1.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/support/dialogs_win32.h"
#include "tests/support/program_win32.h"
#include "tests/support/user_settings_win32.h"

namespace {

const UnmanagedWindowsUnderWine g_unmanaged(L"fatal_probe.exe");

struct FatalCase {
  const wchar_t* mode;
  const wchar_t* text;
};

const FatalCase kFatalCases[] = {
    {L"allocation", L"运行时出错!\r\n\r\n错误信息：分配 4611686018427387904 字节内存失败!\r\n"},
    {L"list-index", L"运行时出错!\r\n\r\n错误信息：下标超出范围：2 (1 - 1)\r\n"},
};

class FatalError : public testing::TestWithParam<FatalCase> {};

TEST_P(FatalError, ShowsTheMessageRunsTheRegisteredCleanUpAndExitsMinusOne) {
  SCOPED_TRACE(testing::PrintToString(std::wstring(GetParam().mode)));
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring marker = std::wstring(temp) + L"tarnvex_fatal_probe_" + GetParam().mode + L".marker";
  DeleteFileW(marker.c_str());

  const FatalOutcome outcome =
      run_until_fatal_box(windows_path_of(FATAL_PROBE_FILE), {GetParam().mode, marker});
  ASSERT_TRUE(outcome.box.has_value()) << "no message box";
  EXPECT_EQ(outcome.box->caption, L"信息：");
  EXPECT_EQ(outcome.box->text, GetParam().text);
  EXPECT_EQ(outcome.exit_code, std::optional<DWORD>(static_cast<DWORD>(-1)));
  EXPECT_NE(GetFileAttributesW(marker.c_str()), INVALID_FILE_ATTRIBUTES)
      << "the registered clean-up did not run";
  DeleteFileW(marker.c_str());
}

INSTANTIATE_TEST_SUITE_P(Probe, FatalError, testing::ValuesIn(kFatalCases));

}  // namespace
