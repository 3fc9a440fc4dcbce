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
};

// A visible message box of process `process_id`, or nullptr.
HWND find_message_box(DWORD process_id);

// Waits for a visible message box of process `process_id`, reads it and presses OK.
std::optional<SeenMessageBox> close_next_message_box(DWORD process_id, std::chrono::milliseconds timeout);

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
