// A long run of the user's commands in one running program: 300 cycles of
// get-address and copy of a 40 KB page, with a failed extraction every tenth
// cycle. Measured from the end of a 20-cycle warm-up to the end:
// - the number of the program's windows does not change;
// - its private bytes grow by less than 28 decoded pages, so a leak of one
//   decoded page every ten cycles fails;
// - its GDI and USER objects and kernel handles grow by at most 10, where the
//   platform counts them for another process (Windows does; Wine counts none,
//   and the test prints that these were not checked).
#include <gtest/gtest.h>

// clang-format off
#include <windows.h>
#include <psapi.h>
// clang-format on

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>

#include "tests/support/loopback_http_server.h"
#include "tests/support/main_window_driver_win32.h"

namespace {

using namespace std::chrono_literals;

constexpr int kWarmUpCycles = 20;
constexpr int kCycles = 300;  // the warm-up included
constexpr int kReportEvery = 50;
constexpr int kFailureEvery = 10;  // one extraction in ten also fails
constexpr long long kObjectTolerance = 10;

struct Figures {
  long long gdi_objects = 0;
  long long user_objects = 0;
  long long handles = -1;  // -1: the platform would not say
  long long windows = 0;
  long long private_bytes = 0;
  long long working_set = 0;
};

Figures figures_of(HANDLE process, DWORD process_id) {
  Figures figures;
  figures.gdi_objects = GetGuiResources(process, GR_GDIOBJECTS);
  figures.user_objects = GetGuiResources(process, GR_USEROBJECTS);
  DWORD handles = 0;
  // A running process always holds handles: 0 means the platform does not count them (Wine).
  if (GetProcessHandleCount(process, &handles) && handles > 0) figures.handles = handles;
  // Every window of the process, counted through a search that never stops early.
  first_window(nullptr, [&](HWND window) {
    if (process_of(window) != process_id) return false;
    ++figures.windows;
    first_window(window, [&](HWND) { return ++figures.windows, false; });
    return false;
  });
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory)) {
    // Both are the process's commit charge; Wine fills only the second for
    // another process (from its anonymous resident and swapped memory).
    figures.private_bytes =
        static_cast<long long>(memory.PrivateUsage != 0 ? memory.PrivateUsage : memory.PagefileUsage);
    figures.working_set = static_cast<long long>(memory.WorkingSetSize);
  }
  return figures;
}

void print(const char* when, const Figures& f) {
  std::printf(
      "%-16s GDI %4lld  USER %4lld  handles %4lld  windows %3lld  private %8.2f MB  working set %8.2f MB\n",
      when, f.gdi_objects, f.user_objects, f.handles, f.windows, f.private_bytes / 1048576.0,
      f.working_set / 1048576.0);
  std::fflush(stdout);
}

std::string page_for(const std::string& identifier) {
  // A page of ordinary size: some 20 KB of Chinese text on either side of the entry.
  std::string text;
  while (text.size() < 20000) text += "<p>\xE8\xA7\x86\xE9\xA2\x91\xE6\x8E\xA8\xE8\x8D\x90 soak</p>\n";
  return video_page(player_address(identifier), text, text);
}

// The page's size as the program holds it once decoded: code page 936 bytes.
long long decoded_size(const std::string& utf8) {
  const int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), units);
  return WideCharToMultiByte(936, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
}

std::wstring clipboard_text() {
  const std::string bytes = clipboard_bytes(CF_UNICODETEXT);
  return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t)).c_str();
}

TEST(Soak, ThreeHundredGetAndCopyCyclesStayFlat) {
  const UnmanagedWindowsUnderWine unmanaged;
  ASSERT_TRUE(unmanaged.in_force());

  const std::string pages[2] = {page_for("SOAKA"), page_for("SOAKB")};
  LoopbackHttpServer server([&](const RecordedRequest& request) {
    if (request.target == "/none") return http_response(200, "<html>no player here</html>");
    return http_response(200, pages[request.target == "/b" ? 1 : 0]);
  });
  MainWindowDriver driver(windows_path_of(TARNVEX_EXE));
  ASSERT_TRUE(driver.ready());
  const HANDLE process = driver.program().process();
  const DWORD process_id = driver.program().process_id();

  const auto started = std::chrono::steady_clock::now();
  Figures after_warm_up;
  for (int cycle = 1; cycle <= kCycles; ++cycle) {
    const bool second = cycle % 2 == 0;
    const ExtractionOutcome got = driver.extract(server.url(second ? "/b" : "/a"), 30s);
    ASSERT_TRUE(got.finished) << "cycle " << cycle << ": no outcome";
    ASSERT_FALSE(got.message.has_value()) << "cycle " << cycle;
    ASSERT_EQ(got.address, expected_address(second ? L"SOAKB" : L"SOAKA")) << "cycle " << cycle;
    ASSERT_EQ(driver.copy(), std::optional<std::wstring>(kCopyDoneMessage)) << "cycle " << cycle;
    if (cycle % kFailureEvery == 0) {
      // The failure path (its message box included) runs as often as the user may meet it.
      const ExtractionOutcome failed = driver.extract(server.url("/none"), 30s);
      ASSERT_TRUE(failed.finished && failed.message.has_value()) << "cycle " << cycle;
      ASSERT_EQ(failed.message->text, kGetFailedMessage) << "cycle " << cycle;
    }
    if (cycle == kWarmUpCycles) {
      after_warm_up = figures_of(process, process_id);
      print("after warm-up", after_warm_up);
    } else if (cycle % kReportEvery == 0) {
      print(("cycle " + std::to_string(cycle)).c_str(), figures_of(process, process_id));
    }
  }
  const auto took = std::chrono::steady_clock::now() - started;
  EXPECT_EQ(clipboard_text(), expected_address(kCycles % 2 == 0 ? L"SOAKB" : L"SOAKA")) << "the last copy";
  const Figures at_end = figures_of(process, process_id);
  print("at the end", at_end);
  std::printf("%d cycles in %.1f s (%.0f ms a cycle)\n", kCycles, std::chrono::duration<double>(took).count(),
              std::chrono::duration<double, std::milli>(took).count() / kCycles);

  if (after_warm_up.gdi_objects == 0 && after_warm_up.user_objects == 0 && running_under_wine()) {
    std::printf("not checked: GDI and USER objects (Wine's GetGuiResources gives 0 for another process)\n");
  } else {
    EXPECT_GT(after_warm_up.gdi_objects, 0);
    EXPECT_LE(at_end.gdi_objects - after_warm_up.gdi_objects, kObjectTolerance);
    EXPECT_LE(at_end.user_objects - after_warm_up.user_objects, kObjectTolerance);
  }
  if (after_warm_up.handles >= 0 && at_end.handles >= 0) {
    EXPECT_LE(at_end.handles - after_warm_up.handles, kObjectTolerance);
  } else {
    std::printf("not checked: kernel handles (the platform gives no count for another process)\n");
  }
  EXPECT_EQ(at_end.windows, after_warm_up.windows) << "windows left behind";
  ASSERT_GT(after_warm_up.private_bytes, 0) << "no memory figures for the program";
  const long long leak_bound = (kCycles - kWarmUpCycles) / kFailureEvery * decoded_size(pages[0]);
  std::printf("private bytes grew by %lld; one decoded page leaked every %d cycles would be %lld\n",
              at_end.private_bytes - after_warm_up.private_bytes, kFailureEvery, leak_bound);
  EXPECT_LT(at_end.private_bytes - after_warm_up.private_bytes, leak_bound);
  EXPECT_EQ(driver.close(), std::optional<DWORD>(0));
}

}  // namespace
