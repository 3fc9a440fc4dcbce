// A small window of our own with the controls a skin touches: a thin-bordered
// edit box, a read-only edit box, a label and a push button. The tests read its
// pixels from the screen, as a person would see them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/program_win32.h"

struct Point {
  int x, y;
};

class TestWindow {
 public:
  // The edit box shows `edit_text`.
  explicit TestWindow(const wchar_t* edit_text = L"");
  ~TestWindow();
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;

  HWND frame() const { return frame_; }
  HWND edit() const { return edit_; }
  HWND read_only_edit() const { return read_only_edit_; }
  HWND label() const { return label_; }
  HWND button() const { return button_; }

  // Points in the frame's client area, away from any text.
  static constexpr Point kBackground{280, 180};
  static constexpr Point kEditInside{110, 22};
  static constexpr Point kEditBorder{10, 22};
  static constexpr Point kReadOnlyInside{110, 56};
  static constexpr Point kLabelInside{120, 88};
  static constexpr Point kButtonInside{154, 14};
  static constexpr Point kButtonBorder{150, 25};

  // Repaints everything and lets every pending message run.
  void settle() const;
  // Settles until `condition` holds, for at most ten seconds; whether it held.
  template <typename Condition>
  bool settle_until(Condition condition) const {
    return wait_until([&] { return settle(), condition(); }, std::chrono::seconds(10));
  }
  // The colour on the screen at a client point of the frame.
  COLORREF pixel(Point client) const;
  // The whole client area, row by row.
  std::vector<COLORREF> snapshot() const;

 private:
  HWND frame_ = nullptr;
  HWND edit_ = nullptr;
  HWND read_only_edit_ = nullptr;
  HWND label_ = nullptr;
  HWND button_ = nullptr;
};

// "R,G,B" for test messages.
inline std::string colour_text(COLORREF colour) {
  return std::to_string(GetRValue(colour)) + "," + std::to_string(GetGValue(colour)) + "," +
         std::to_string(GetBValue(colour));
}
