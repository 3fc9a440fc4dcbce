// Owners for GDI resources, shared by the window system and the skin engine.
#pragma once

#include <windows.h>

#include "common/win32/handle.h"

// A GDI object (font, brush, pen, bitmap), deleted when it goes.
template <typename T>
using GdiObject = Owned<T, &DeleteObject>;

// A memory device context (CreateCompatibleDC), deleted when it goes.
using MemoryDc = Owned<HDC, &DeleteDC>;

// A 32-bit, top-row-first DIB of `width` x `height` pixels (no colour table).
inline BITMAPINFO pixel_bitmap_info(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

// Selects an object into a DC for one scope; a null object selects nothing.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {}
  ~SelectedObject() {
    if (previous_ != nullptr) SelectObject(dc_, previous_);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// A window's device context (its client area, or with `whole_window` the whole
// window) for one scope.
class WindowDc {
 public:
  explicit WindowDc(HWND window, bool whole_window = false)
      : window_(window), dc_(whole_window ? GetWindowDC(window) : GetDC(window)) {}
  ~WindowDc() {
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;

  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// BeginPaint to EndPaint on a window, for one WM_PAINT.
class PaintDc {
 public:
  explicit PaintDc(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
  ~PaintDc() { EndPaint(window_, &paint_); }
  PaintDc(const PaintDc&) = delete;
  PaintDc& operator=(const PaintDc&) = delete;

  HDC get() const { return dc_; }
  const RECT& update_rect() const { return paint_.rcPaint; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};
