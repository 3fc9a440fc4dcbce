// Test support: finds message boxes (class #32770), reads their text and presses OK,
// as a user would, from a thread or process other than the one the box blocks.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

struct SeenMessageBox {
  std::wstring caption;
  std::wstring text;
  HWND owner = nullptr;
  int buttons = 0;
  bool icon = false;
  // Other top-level windows of the box's thread that were enabled while it showed.
  std::vector<HWND> enabled_thread_windows;
};

// A visible message box of process `process_id`, or nullptr.
HWND find_message_box(DWORD process_id);

// Waits for a visible message box of process `process_id`, reads it and presses OK.
std::optional<SeenMessageBox> close_next_message_box(DWORD process_id, std::chrono::milliseconds timeout);

struct FatalOutcome {
  std::optional<SeenMessageBox> box;  // the first message box, closed with OK
  std::optional<DWORD> exit_code;     // none: the process did not end after the box
};

// Starts `exe` with `arguments` (each quoted), reads and closes the first
// message box it shows and waits for the process to end.
FatalOutcome run_until_fatal_box(const std::wstring& exe, const std::vector<std::wstring>& arguments,
                                 std::chrono::milliseconds timeout = std::chrono::seconds(30));

// Closes every message box of this process while it lives and keeps what they said.
class MessageBoxCloser {
 public:
  MessageBoxCloser();
  ~MessageBoxCloser();
  MessageBoxCloser(const MessageBoxCloser&) = delete;
  MessageBoxCloser& operator=(const MessageBoxCloser&) = delete;

  std::vector<SeenMessageBox> seen() const;

 private:
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::vector<SeenMessageBox> seen_;
  std::thread thread_;
};
