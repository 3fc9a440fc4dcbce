#include "tests/support/program_win32.h"

#include <functional>
#include <vector>

#include "common/win32/handle.h"

HWND first_window(HWND parent, const std::function<bool(HWND)>& wanted) {
  struct Search {
    const std::function<bool(HWND)>* wanted;
    HWND found;
  } search{&wanted, nullptr};
  const WNDENUMPROC visit = [](HWND window, LPARAM param) -> BOOL {
    auto* search = reinterpret_cast<Search*>(param);
    if (!(*search->wanted)(window)) return TRUE;
    search->found = window;
    return FALSE;
  };
  if (parent != nullptr) {
    EnumChildWindows(parent, visit, reinterpret_cast<LPARAM>(&search));
  } else {
    EnumWindows(visit, reinterpret_cast<LPARAM>(&search));
  }
  return search.found;
}

std::optional<DWORD> run_to_end(std::wstring command_line, std::chrono::milliseconds timeout,
                                const StandardHandles* handles) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (handles != nullptr) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = handles->input;
    startup.hStdOutput = handles->output;
    startup.hStdError = handles->error;
  }
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, handles != nullptr, 0, nullptr, nullptr,
                      &startup, &info))
    return std::nullopt;
  const Handle process(info.hProcess);
  const Handle thread(info.hThread);
  if (WaitForSingleObject(process.get(), static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) {
    TerminateProcess(process.get(), 1);
    WaitForSingleObject(process.get(), 5000);
    return std::nullopt;
  }
  DWORD code = 0;
  GetExitCodeProcess(process.get(), &code);
  return code;
}

DWORD process_of(HWND window) {
  DWORD process_id = 0;
  GetWindowThreadProcessId(window, &process_id);
  return process_id;
}

std::wstring class_of(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

std::wstring windows_path_of(std::string_view unix_path) {
  std::wstring path = L"Z:";
  for (char c : unix_path)
    path.push_back(c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c)));
  return path;
}

void pump_messages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

RECT rect_in_parent(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

std::wstring window_text_of(HWND window) {
  std::vector<wchar_t> text(65536);
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                      SMTO_ABORTIFHUNG, 5000, &copied);
  return std::wstring(text.data(), copied);
}

void set_window_text_of(HWND window, const std::wstring& text) {
  DWORD_PTR result = 0;
  SendMessageTimeoutW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 5000,
                      &result);
}

void post_left_click(HWND control, int x, int y) {
  PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  PostMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

void post_button_click(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

ProgramUnderTest::ProgramUnderTest(const std::wstring& exe, const std::wstring& caption,
                                   const std::wstring& working_directory, std::chrono::milliseconds timeout) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  std::wstring command_line = L"\"" + exe + L"\"";
  if (!CreateProcessW(exe.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      working_directory.empty() ? nullptr : working_directory.c_str(), &startup, &info)) {
    return;
  }
  process_ = info.hProcess;
  thread_ = info.hThread;
  process_id_ = info.dwProcessId;
  wait_until(
      [&] {
        main_window_ = first_window(nullptr, [&](HWND window) {
          return process_of(window) == process_id_ && IsWindowVisible(window) &&
                 window_text_of(window) == caption;
        });
        return main_window_ != nullptr || WaitForSingleObject(process_, 0) == WAIT_OBJECT_0;
      },
      timeout);
}

ProgramUnderTest::~ProgramUnderTest() {
  if (process_ != nullptr) {
    if (WaitForSingleObject(process_, 0) != WAIT_OBJECT_0 && !close_and_wait(std::chrono::seconds(10))) {
      TerminateProcess(process_, 1);
      WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
  }
  if (thread_ != nullptr) CloseHandle(thread_);
}

HWND ProgramUnderTest::control_at(int left, int top, int width, int height) const {
  return first_window(main_window_, [&](HWND window) {
    const RECT rect = rect_in_parent(window);
    return rect.left == left && rect.top == top && rect.right == left + width && rect.bottom == top + height;
  });
}

HWND ProgramUnderTest::find_control(const wchar_t* class_name, const wchar_t* text, HWND parent) const {
  return first_window(main_window_, [&](HWND window) {
    return lstrcmpiW(class_of(window).c_str(), class_name) == 0 &&
           (text == nullptr || window_text_of(window) == text) &&
           (parent == nullptr || GetParent(window) == parent);
  });
}

std::optional<DWORD> ProgramUnderTest::close_and_wait(std::chrono::milliseconds timeout) {
  if (main_window_ != nullptr) PostMessageW(main_window_, WM_CLOSE, 0, 0);
  return wait_for_exit(timeout);
}

std::optional<DWORD> ProgramUnderTest::wait_for_exit(std::chrono::milliseconds timeout) {
  if (process_ == nullptr) return std::nullopt;
  if (WaitForSingleObject(process_, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0)
    return std::nullopt;
  DWORD code = 0;
  GetExitCodeProcess(process_, &code);
  return code;
}
