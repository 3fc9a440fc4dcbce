// The program's fatal errors, seen from outside: a probe process, prepared as
// the program prepares itself and skinned with the probe engine, runs into one
// and must show exactly one message box with the right text, run the end
// sequence the program registers (the engine detached, then freed while OLE is
// still up) and exit with -1.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/skin/probe_log_win32.h"
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

TEST_P(FatalError, ShowsTheMessageRunsTheProgramsEndSequenceAndExitsMinusOne) {
  SCOPED_TRACE(testing::PrintToString(std::wstring(GetParam().mode)));
  const ProbeAtFixedPlace probe(windows_path_of(TARNVEX_PROBE_ENGINE_FILE));
  ASSERT_TRUE(probe.placed());
  const FatalOutcome outcome = run_until_fatal_box(windows_path_of(FATAL_PROBE_FILE), {GetParam().mode});
  ASSERT_TRUE(outcome.box.has_value()) << "no message box";
  EXPECT_EQ(outcome.box->caption, L"信息：");
  EXPECT_EQ(outcome.box->text, GetParam().text);
  EXPECT_EQ(outcome.exit_code, std::optional<DWORD>(static_cast<DWORD>(-1)));
  EXPECT_EQ(probe.log(), "attach\ndetach\nunload in OLE\n");
}

INSTANTIATE_TEST_SUITE_P(Probe, FatalError, testing::ValuesIn(kFatalCases));

}  // namespace
