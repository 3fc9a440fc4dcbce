// Times start-up as a user sees it: from CreateProcess to a visible top-level
// window of the new process, and to the process's first idle wait
// (WaitForInputIdle: its start-up work done, its message loop waiting for
// input). Each program given is started in turn, round after round, so all see
// the same machine load; one unmeasured round first warms the file cache (and
// lets the program write its skin engine file once). Prints each program's
// medians and their ratios to the two floors, the first two programs.
// Usage: bench_startup_timing.exe ROUNDS BARE.exe PLATFORM.exe PROGRAM.exe [...]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "bench/clock_win32.h"

namespace {

constexpr DWORD kSettleMs = 300;

struct Search {
  DWORD process_id;
  HWND found;
};

BOOL CALLBACK visible_window_of(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<Search*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search->process_id || !IsWindowVisible(window)) return TRUE;
  search->found = window;
  return FALSE;
}

struct Timing {
  double visible_ms = -1;
  double idle_ms = -1;
};

// Waits in a thread of its own, so the visible window is looked for meanwhile.
struct IdleWait {
  HANDLE process;
  double started;
  double idle_ms = -1;
};

DWORD WINAPI wait_for_first_idle(void* context) {
  auto* wait = static_cast<IdleWait*>(context);
  if (WaitForInputIdle(wait->process, 20000) == 0) wait->idle_ms = now_ms() - wait->started;
  return 0;
}

Timing time_one_start(const std::wstring& program) {
  Timing timing;
  std::wstring directory = program.substr(0, program.find_last_of(L"\\/"));
  std::wstring command_line = L"\"" + program + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  const double started = now_ms();
  if (!CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      directory.c_str(), &startup, &process)) {
    std::fwprintf(stderr, L"startup: cannot start %ls (error %lu)\n", program.c_str(), GetLastError());
    return timing;
  }
  IdleWait idle{process.hProcess, started};
  HANDLE idle_thread = CreateThread(nullptr, 0, wait_for_first_idle, &idle, 0, nullptr);
  Search search{process.dwProcessId, nullptr};
  while (now_ms() - started < 20000) {
    EnumWindows(visible_window_of, reinterpret_cast<LPARAM>(&search));
    if (search.found) break;
    if (WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) break;
    Sleep(1);
  }
  if (search.found) timing.visible_ms = now_ms() - started;
  if (idle_thread) {
    WaitForSingleObject(idle_thread, 25000);
    CloseHandle(idle_thread);
    timing.idle_ms = idle.idle_ms;
  }
  if (search.found) PostMessageW(search.found, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process.hProcess, 20000) != WAIT_OBJECT_0) {
    std::fwprintf(stderr, L"startup: %ls did not end after WM_CLOSE\n", program.c_str());
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, 5000);
    timing = Timing{};
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return timing;
}

double median(std::vector<double> values) {
  if (values.empty()) return -1;
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 5) {
    std::fwprintf(stderr, L"usage: %ls ROUNDS BARE.exe PLATFORM.exe PROGRAM.exe [...]\n", argv[0]);
    return 2;
  }
  const int rounds = std::max(1, _wtoi(argv[1]));
  const std::vector<std::wstring> programs(argv + 2, argv + argc);
  std::vector<std::vector<double>> visible(programs.size());
  std::vector<std::vector<double>> idle(programs.size());
  for (int round = 0; round <= rounds; ++round) {
    // Each round starts with the next program, so no program always follows the same one.
    for (std::size_t k = 0; k < programs.size(); ++k) {
      const std::size_t i = (k + static_cast<std::size_t>(round)) % programs.size();
      // Wine and the X server finish with the last program before the next starts.
      Sleep(kSettleMs);
      const Timing timing = time_one_start(programs[i]);
      if (timing.visible_ms < 0 || timing.idle_ms < 0) return 1;
      if (round == 0) continue;
      visible[i].push_back(timing.visible_ms);
      idle[i].push_back(timing.idle_ms);
    }
  }
  const auto fastest = [](const std::vector<double>& values) {
    return *std::min_element(values.begin(), values.end());
  };
  // Medians, and the fastest start: the machine's other work only ever adds to a
  // start. Ratios to the bare window (1) and to the bare window doing the
  // platform's required work (2).
  std::wprintf(L"%-26ls %9ls %7ls %7ls %9ls %7ls %7ls %9ls %9ls   (median of %d starts)\n", L"program",
               L"visible", L"/ 1", L"/ 2", L"idle", L"/ 1", L"/ 2", L"fastest v", L"fastest i", rounds);
  for (std::size_t i = 0; i < programs.size(); ++i) {
    const std::wstring name = programs[i].substr(programs[i].find_last_of(L"\\/") + 1);
    const double v = median(visible[i]);
    const double d = median(idle[i]);
    std::wprintf(L"%-26ls %7.1fms %7.2f %7.2f %7.1fms %7.2f %7.2f %7.1fms %7.1fms\n", name.c_str(), v,
                 v / median(visible[0]), v / median(visible[1]), d, d / median(idle[0]), d / median(idle[1]),
                 fastest(visible[i]), fastest(idle[i]));
  }
  return 0;
}
