#include "tests/support/dialogs_win32.h"

#include "tests/support/program_win32.h"

namespace {

// Its owner, buttons, icon and the thread windows it left enabled.
void read_style(HWND box, SeenMessageBox& seen) {
  seen.owner = GetWindow(box, GW_OWNER);
  for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t class_name[16] = {};
    GetClassNameW(child, class_name, 16);
    if (lstrcmpiW(class_name, L"Button") == 0 && IsWindowVisible(child)) ++seen.buttons;
    if (SendMessageW(child, STM_GETICON, 0, 0) != 0 && IsWindowVisible(child)) seen.icon = true;
  }
  struct Search {
    HWND box;
    SeenMessageBox* seen;
  } search{box, &seen};
  EnumThreadWindows(
      GetWindowThreadProcessId(box, nullptr),
      [](HWND window, LPARAM param) {
        auto* search = reinterpret_cast<Search*>(param);
        if (window != search->box && IsWindowEnabled(window))
          search->seen->enabled_thread_windows.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
}

// `record` runs before OK is pressed, so that whoever waits on the box sees
// what it said as soon as the box is gone.
template <typename Record>
std::optional<SeenMessageBox> try_close(DWORD process_id, Record record) {
  const HWND box = find_message_box(process_id);
  if (box == nullptr) return std::nullopt;
  SeenMessageBox seen;
  seen.caption = window_text_of(box);
  seen.text = window_text_of(GetDlgItem(box, 0xFFFF));
  read_style(box, seen);
  record(seen);
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
  // Wait until the box is gone so that the next search does not find it again.
  for (int i = 0; i < 200 && IsWindow(box); ++i) Sleep(10);
  return seen;
}

}  // namespace

HWND find_message_box(DWORD process_id) {
  return first_window(nullptr, [&](HWND window) {
    return process_of(window) == process_id && class_of(window) == L"#32770" && IsWindowVisible(window);
  });
}

std::optional<SeenMessageBox> close_next_message_box(DWORD process_id, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  do {
    if (auto seen = try_close(process_id, [](const SeenMessageBox&) {})) return seen;
    Sleep(20);
  } while (std::chrono::steady_clock::now() < deadline);
  return std::nullopt;
}

FatalOutcome run_until_fatal_box(const std::wstring& exe, const std::vector<std::wstring>& arguments,
                                 std::chrono::milliseconds timeout) {
  std::wstring command_line = L"\"" + exe + L"\"";
  for (const std::wstring& argument : arguments) command_line += L" \"" + argument + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  FatalOutcome outcome;
  if (!CreateProcessW(exe.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    return outcome;
  }
  outcome.box = close_next_message_box(info.dwProcessId, timeout);
  if (WaitForSingleObject(info.hProcess, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0) {
    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    outcome.exit_code = code;
  } else {
    TerminateProcess(info.hProcess, 1);
  }
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
  return outcome;
}

MessageBoxCloser::MessageBoxCloser()
    : thread_([this] {
        while (!stop_) {
          try_close(GetCurrentProcessId(), [this](const SeenMessageBox& seen) {
            std::lock_guard lock(mutex_);
            seen_.push_back(seen);
          });
          Sleep(20);
        }
      }) {}

MessageBoxCloser::~MessageBoxCloser() {
  stop_ = true;
  thread_.join();
}

std::vector<SeenMessageBox> MessageBoxCloser::seen() const {
  std::lock_guard lock(mutex_);
  return seen_;
}
