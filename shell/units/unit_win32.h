// What the window system knows of one unit, and the helpers its kinds share.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/win32/gdi.h"
#include "shell/layout_block.h"

namespace units {

using layout::UnitRecord;

class Painting {
 public:
  explicit Painting(HWND window) : window_(window) { dc_ = BeginPaint(window, &paint_); }
  ~Painting() { EndPaint(window_, &paint_); }
  Painting(const Painting&) = delete;
  Painting& operator=(const Painting&) = delete;
  HDC dc() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

struct Unit {
  std::uint32_t id = 0;
  const UnitRecord* record = nullptr;
  HWND window = nullptr;
  GdiObject<HFONT> font;
  GdiObject<HBRUSH> background_brush;
  // The decoded picture (32-bit pixels, top row first) and its last scaled copy.
  std::vector<std::uint32_t> picture;
  SIZE picture_size{};
  std::vector<std::uint32_t> scaled;
  SIZE scaled_size{};
  bool hover = false;
  bool visited = false;
};

HINSTANCE program_instance();
COLORREF colour_of(std::uint32_t colour, int system_colour = COLOR_BTNFACE);
HFONT default_gui_font();
HFONT unit_font(const Unit& unit);
void build_font(Unit& unit, const ByteSet& field);
void add_border_style(std::int32_t border_style, DWORD& style, DWORD& ex_style);
void fill(HDC dc, const RECT& rect, COLORREF colour);
HBRUSH asked_brush(HWND asked, UINT message, HDC dc, HWND window);

void paint_shape(HWND window, const layout::ShapeBoxData& d);
void paint_label(HWND window, const Unit& unit, const layout::LabelData& d);
void paint_picture(HWND window, Unit& unit, const layout::PicBoxData& d);
void load_picture(Unit& unit, const ByteSet& bytes);
const layout::HyperLinkerData& link_data(const Unit& unit);
void paint_link(HWND window, const Unit& unit);
HCURSOR hand_cursor();
void track_link_hover(HWND window, Unit& unit, LPARAM lparam);
void open_link_target(Unit& unit);
int edit_height(HWND control, const Unit& unit, int height);

struct WindowStyles {
  DWORD style = 0;
  DWORD ex_style = 0;
};
WindowStyles window_styles(const layout::WindowData& d);

}  // namespace units
