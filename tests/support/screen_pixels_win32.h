// Test support: what a person sees of a window, read from the screen: one
// client point, the whole client area row by row, or whether a colour shows.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "common/win32/gdi.h"

inline COLORREF screen_pixel(HWND window, int x, int y) {
  POINT point{x, y};
  ClientToScreen(window, &point);
  return GetPixel(WindowDc(nullptr).get(), point.x, point.y);
}

inline std::vector<COLORREF> screen_snapshot(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  const WindowDc screen(nullptr);
  const MemoryDc memory(CreateCompatibleDC(screen.get()));
  const BITMAPINFO info = pixel_bitmap_info(client.right, client.bottom);
  void* bits = nullptr;
  const GdiObject<HBITMAP> bitmap(CreateDIBSection(memory.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!memory.get() || !bitmap.get()) return {};
  const SelectedObject selected(memory.get(), bitmap.get());
  BitBlt(memory.get(), 0, 0, client.right, client.bottom, screen.get(), origin.x, origin.y, SRCCOPY);
  GdiFlush();
  std::vector<COLORREF> pixels(static_cast<std::size_t>(client.right) *
                               static_cast<std::size_t>(client.bottom));
  const auto* bgra = static_cast<const std::uint32_t*>(bits);
  for (std::size_t i = 0; i < pixels.size(); ++i)
    pixels[i] = RGB((bgra[i] >> 16) & 0xFF, (bgra[i] >> 8) & 0xFF, bgra[i] & 0xFF);
  return pixels;
}

inline bool screen_shows(HWND window, COLORREF colour) {
  return std::ranges::count(screen_snapshot(window), colour) > 0;
}
