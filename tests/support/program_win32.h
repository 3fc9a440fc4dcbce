// Test support: starts a program of ours as its own process under Wine and
// drives its windows from outside, as a user would (find a control, type into
// it, click it, read it), with every wait bounded.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "tests/support/main_window_rects.h"

// The first window under `parent` (a top-level window when parent is null)
// for which `wanted` holds; nullptr when there is none.
HWND first_window(HWND parent, const std::function<bool(HWND)>& wanted);
DWORD process_of(HWND window);
std::wstring class_of(HWND window);

// "Z:\work\...\x.exe" for a file of the build tree (Wine maps Z: to /).
std::wstring windows_path_of(std::string_view unix_path);

class ProgramUnderTest {
 public:
  // Starts `exe` in `working_directory` (empty: this process's) and waits for
  // a visible top-level window of the new process titled `caption`.
  ProgramUnderTest(const std::wstring& exe, const std::wstring& caption,
                   const std::wstring& working_directory = {},
                   std::chrono::milliseconds timeout = std::chrono::seconds(30));
  // Closes the window and, if the process does not end, terminates it.
  ~ProgramUnderTest();
  ProgramUnderTest(const ProgramUnderTest&) = delete;
  ProgramUnderTest& operator=(const ProgramUnderTest&) = delete;

  bool started() const { return main_window_ != nullptr; }
  HWND main_window() const { return main_window_; }
  DWORD process_id() const { return process_id_; }
  HANDLE process() const { return process_; }

  // The descendant window whose rectangle, in its parent's client coordinates,
  // is exactly left, top, width, height; nullptr when there is none.
  HWND control_at(int left, int top, int width, int height) const;
  HWND control_at(const main_window_rects::Rect& r) const {
    return control_at(r.left, r.top, r.width, r.height);
  }

  // The first descendant window of class `class_name` (and, when given, with
  // window text `text` and parent `parent`); nullptr when there is none.
  HWND find_control(const wchar_t* class_name, const wchar_t* text = nullptr, HWND parent = nullptr) const;

  // Asks the window to close and waits for the process to end; its exit code.
  std::optional<DWORD> close_and_wait(std::chrono::milliseconds timeout = std::chrono::seconds(20));
  std::optional<DWORD> wait_for_exit(std::chrono::milliseconds timeout);

 private:
  HANDLE process_ = nullptr;
  HANDLE thread_ = nullptr;
  DWORD process_id_ = 0;
  HWND main_window_ = nullptr;
};

// A program's standard handles, which it inherits.
struct StandardHandles {
  HANDLE input;
  HANDLE output;
  HANDLE error;
};

// Runs a command line to its end (with `handles` as its standard handles when
// given); its exit code, or nothing when it did not start or outlived the time.
std::optional<DWORD> run_to_end(std::wstring command_line,
                                std::chrono::milliseconds timeout = std::chrono::seconds(120),
                                const StandardHandles* handles = nullptr);

// Runs every message waiting for this thread.
void pump_messages();
// The window's rectangle in its parent's client coordinates.
RECT rect_in_parent(HWND window);
std::wstring window_text_of(HWND window);
// WM_SETTEXT across processes (Wine and Windows marshal the string).
void set_window_text_of(HWND window, const std::wstring& text);
// A left click on the control's centre through its own messages, without
// moving the real pointer. Posted, so a handler that blocks does not block us.
void post_left_click(HWND control, int x = 4, int y = 4);
void post_button_click(HWND button);
// Waits until `condition` holds or the time is up; whether it held.
template <typename Condition>
bool wait_until(Condition condition, std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    Sleep(20);
  }
  return true;
}
