#include "tests/support/program_win32.h"

#include <vector>

namespace {

struct WindowSearch {
  DWORD process_id;
  const std::wstring* caption;
  HWND found;
};

BOOL CALLBACK find_main(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->process_id && IsWindowVisible(window) && window_text_of(window) == *search->caption) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

struct RectSearch {
  RECT wanted;
  int slack;
  HWND found;
};

bool within_slack(LONG a, LONG b, int slack) { return a >= b - slack && a <= b + slack; }

BOOL CALLBACK find_at(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<RectSearch*>(param);
  RECT rect;
  GetWindowRect(window, &rect);
  MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
  const RECT& wanted = search->wanted;
  if (within_slack(rect.left, wanted.left, search->slack) &&
      within_slack(rect.top, wanted.top, search->slack) &&
      within_slack(rect.right, wanted.right, search->slack) &&
      within_slack(rect.bottom, wanted.bottom, search->slack)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

struct ClassSearch {
  const wchar_t* class_name;
  const wchar_t* text;
  HWND parent;
  HWND found;
};

BOOL CALLBACK find_by_class(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<ClassSearch*>(param);
  wchar_t class_name[64] = {};
  GetClassNameW(window, class_name, 64);
  if (lstrcmpiW(class_name, search->class_name) == 0 &&
      (search->text == nullptr || window_text_of(window) == search->text) &&
      (search->parent == nullptr || GetParent(window) == search->parent)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

std::wstring windows_path_of(std::string_view unix_path) {
  std::wstring path = L"Z:";
  for (char c : unix_path)
    path.push_back(c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c)));
  return path;
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
        WindowSearch search{process_id_, &caption, nullptr};
        EnumWindows(find_main, reinterpret_cast<LPARAM>(&search));
        main_window_ = search.found;
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

HWND ProgramUnderTest::control_at(int left, int top, int width, int height, int slack) const {
  RectSearch search{{left, top, left + width, top + height}, slack, nullptr};
  EnumChildWindows(main_window_, find_at, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND ProgramUnderTest::find_control(const wchar_t* class_name, const wchar_t* text, HWND parent) const {
  ClassSearch search{class_name, text, parent, nullptr};
  EnumChildWindows(main_window_, find_by_class, reinterpret_cast<LPARAM>(&search));
  return search.found;
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
