// The thread's message queue, seen from a command that blocked without pumping
// it (a synchronous download on Windows): whatever input piled up meanwhile.
#pragma once

#include <windows.h>

// Removes the mouse and key messages and the posted button clicks waiting in the
// thread's queue. They were made while a command ran, and dropping them keeps a
// click from starting a second command once the first is over.
inline void drop_queued_input() {
  constexpr UINT kRanges[][2] = {
      {WM_KEYFIRST, WM_KEYLAST}, {WM_MOUSEFIRST, WM_MOUSELAST}, {BM_CLICK, BM_CLICK}};
  MSG message{};
  for (const auto& range : kRanges) {
    while (PeekMessageW(&message, nullptr, range[0], range[1], PM_REMOVE)) {
    }
  }
}
