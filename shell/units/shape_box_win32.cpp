// The shape box: a background and one outlined, filled shape, drawn by the
// window system. A container: its children take part in tab moves.
#include <algorithm>

#include "shell/units/unit_win32.h"

namespace units {

namespace {

constexpr wchar_t kClassName[] = L"TarnvexShapeBox";

HWND create(Unit& unit, HWND parent, DWORD style) {
  return create_self_drawn(unit, parent, kClassName, style, WS_EX_CONTROLPARENT, Text());
}

void paint(Unit& unit, HDC dc) {
  const auto& d = std::get<layout::ShapeBoxData>(unit.record->data);
  HWND window = unit.window;
  RECT client{};
  GetClientRect(window, &client);
  // A container asks itself for its background, as a dialog does.
  if (HBRUSH background = asked_brush(window, WM_CTLCOLORDLG, dc, window)) {
    FillRect(dc, &client, background);
  } else {
    fill(dc, client, colour_of(d.background_colour));
  }

  RECT area = client;
  const int width = client.right;
  const int height = client.bottom;
  if (d.shape == 1 || d.shape == 3 || d.shape == 5) {
    const int side = std::min(width, height);
    area.left = (width - side) / 2;
    area.top = (height - side) / 2;
    area.right = area.left + side;
    area.bottom = area.top + side;
  }

  GdiObject<HPEN> pen;
  if (d.line_type == 1) {
    pen.reset(CreatePen(PS_INSIDEFRAME, std::max(1, d.line_width), colour_of(d.line_colour)));
  } else if (d.line_type >= 2) {
    const int pen_style = d.line_type == 2   ? PS_DASH
                          : d.line_type == 3 ? PS_DOT
                          : d.line_type == 4 ? PS_DASHDOT
                                             : PS_DASHDOTDOT;
    pen.reset(CreatePen(pen_style, 1, colour_of(d.line_colour)));
  }
  GdiObject<HBRUSH> brush;
  if (d.fill_colour != layout::kSystemColour)
    brush.reset(CreateSolidBrush(static_cast<COLORREF>(d.fill_colour)));
  SelectedObject selected_pen(dc, pen.get() ? static_cast<HGDIOBJ>(pen.get()) : GetStockObject(NULL_PEN));
  SelectedObject selected_brush(dc,
                                brush.get() ? static_cast<HGDIOBJ>(brush.get()) : GetStockObject(NULL_BRUSH));
  // Without a pen GDI leaves out the right and bottom edge: widen by one.
  const int grow = pen.get() ? 0 : 1;

  auto draw = [&](const RECT& r) {
    switch (d.shape) {
      case 2:
      case 3:
        Ellipse(dc, r.left, r.top, r.right + grow, r.bottom + grow);
        break;
      case 4:
      case 5:
        RoundRect(dc, r.left, r.top, r.right + grow, r.bottom + grow, (r.right - r.left) / 5,
                  (r.bottom - r.top) / 5);
        break;
      case 6:
        MoveToEx(dc, r.left, (r.top + r.bottom) / 2, nullptr);
        LineTo(dc, r.right, (r.top + r.bottom) / 2);
        break;
      case 7:
        MoveToEx(dc, (r.left + r.right) / 2, r.top, nullptr);
        LineTo(dc, (r.left + r.right) / 2, r.bottom);
        break;
      default:
        Rectangle(dc, r.left, r.top, r.right + grow, r.bottom + grow);
        break;
    }
  };
  draw(area);
  if (d.effect_3d == 1 || d.effect_3d == 2) {
    // Two outlines one pixel apart: white then black, or the other way round.
    GdiObject<HPEN> white(CreatePen(PS_SOLID, 1, RGB(255, 255, 255)));
    GdiObject<HPEN> black(CreatePen(PS_SOLID, 1, RGB(0, 0, 0)));
    SelectedObject hollow(dc, GetStockObject(NULL_BRUSH));
    RECT outer = area;
    RECT inner{area.left + 1, area.top + 1, area.right - 1, area.bottom - 1};
    {
      SelectedObject first(dc, d.effect_3d == 1 ? white.get() : black.get());
      Rectangle(dc, outer.left, outer.top, outer.right, outer.bottom);
    }
    SelectedObject second(dc, d.effect_3d == 1 ? black.get() : white.get());
    Rectangle(dc, inner.left, inner.top, inner.right, inner.bottom);
  }
}

// Asked by itself, as a dialog asks for its background.
bool colours(const Unit& unit, UINT message, COLORREF& background, std::optional<COLORREF>&) {
  if (message != WM_CTLCOLORDLG) return false;
  background = colour_of(std::get<layout::ShapeBoxData>(unit.record->data).background_colour);
  return true;
}

}  // namespace

}  // namespace units

const units::KindEntry& layout::ShapeBoxData::behaviour() {
  static constexpr units::KindEntry kEntry{.class_name = units::kClassName,
                                           .create = units::create,
                                           .paint = units::paint,
                                           .colours = units::colours,
                                           .lies_under_siblings = true};
  return kEntry;
}
