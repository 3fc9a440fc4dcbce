// What the window system knows of one unit, and what a kind does. Each kind of
// the table (shell/layout_kinds.h) fills one KindEntry in its own file
// (units/<kind>_win32.cpp), its record's behaviour(); the window system owns
// the units, registers the classes, runs the one window procedure and calls
// the entries from there.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "common/win32/dpi.h"
#include "common/win32/gdi.h"
#include "common/win32/window_text.h"
#include "shell/layout_block.h"

namespace units {

using layout::UnitRecord;

// What a kind keeps per unit beyond its record (a decoded picture, hover state).
struct KindState {
  virtual ~KindState() = default;
};

struct Unit {
  std::uint32_t id = 0;
  // Points into a layout that the window system keeps for as long as it runs.
  const UnitRecord* record = nullptr;
  // Null once the window is destroyed: nothing is read from or written to it then.
  HWND window = nullptr;
  // The DPI the unit is laid out for: its rectangle and fonts are the layout's scaled by dpi / 96.
  UINT dpi = 96;
  GdiObject<HFONT> font;                // built from the record's font field, if it has one
  const ByteSet* font_field = nullptr;  // that field, in the record, to build it again at another DPI
  // The font last sent with WM_SETFONT (the sender keeps it); once sent, the
  // unit paints with it and answers WM_GETFONT with it, as a standard control does.
  std::optional<HFONT> sent_font;
  GdiObject<HBRUSH> background_brush;
  std::unique_ptr<KindState> state;
};

// One kind's behaviour. Every pointer may be null: the kind has nothing of its own there.
struct KindEntry {
  // The class registered for a kind the window system draws itself; null for a
  // standard control, which is subclassed instead.
  const wchar_t* class_name = nullptr;
  // Creates the unit's window under `parent` from its record. `style` holds
  // what every unit gets (child, visible, disabled, tab stop); a self-drawn
  // kind passes &unit as the creation parameter.
  HWND (*create)(Unit& unit, HWND parent, DWORD style) = nullptr;
  // Paints a self-drawn unit's whole client area.
  void (*paint)(Unit& unit, HDC dc) = nullptr;
  // The unit's colours when its parent or itself is asked with `message`
  // (WM_CTLCOLOREDIT, WM_CTLCOLORSTATIC, WM_CTLCOLORDLG); false: none for that message.
  bool (*colours)(const Unit& unit, UINT message, COLORREF& background,
                  std::optional<COLORREF>& text) = nullptr;
  // The kind's own handling of a message, after any bound handler ran; true
  // when the message is done and `result` is its answer.
  bool (*message)(Unit& unit, UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) = nullptr;
  // The notification code with which the control tells its parent of its own
  // event 0 (a button's BN_CLICKED); -1 for none.
  int own_event_notification = -1;
  // The icon resource of a self-drawn kind's class; 0 for none.
  int class_icon = 0;
  // The kind's own part of moving to another DPI, after the unit's rectangle
  // and fonts have been scaled (an edit box grows again to fit its font).
  void (*rescaled)(Unit& unit) = nullptr;
  // The window itself: created first, owned by the parent it is loaded with,
  // the container of the other units; shown with show_command once they exist.
  bool top_level = false;
  int (*show_command)(const Unit& unit) = nullptr;
  // Lies under its siblings when it sits on the window's client area, whatever
  // the creation order (a background shape).
  bool lies_under_siblings = false;
  // Its window text is the unit's content property (kPropertyContent).
  bool text_is_content = false;
};

// The entry for a record's kind; null for a record that cannot be used.
const KindEntry* kind_of(const UnitRecord& record);

// Registers the class of every self-drawn kind, all with `procedure`.
void register_classes(WNDPROC procedure);
// What every self-drawn unit answers as a standard control does: paint,
// WM_SETFONT / WM_GETFONT, a repaint after WM_SETTEXT (WM_GETTEXT and
// WM_GETTEXTLENGTH are DefWindowProc's). True when `message` is done.
bool standard_message(Unit& unit, const KindEntry& kind, UINT message, WPARAM wparam, LPARAM lparam,
                      LRESULT& result);

// Answers a WM_CTLCOLOR* message about `unit` with the colours its kind gives
// for it (and a brush the unit keeps); false when the kind has none for it.
bool answer_colours(Unit& unit, UINT message, HDC dc, LRESULT& result);

// ---- input ----

// The Ctrl / Shift / Alt mask passed to mouse handlers.
int key_state_mask();
// The layout's event index of a mouse message (-1 to -6), if it is one.
std::optional<std::int32_t> mouse_event_index(UINT message);
// Mouse and key input on the client side of a window, and a click sent to a
// button: what starts commands.
bool is_command_input(UINT message);

// ---- shared by the kinds ----

HINSTANCE program_instance();
COLORREF colour_of(std::uint32_t colour, int system_colour = COLOR_BTNFACE);
// The default GUI font at `dpi`: the stock font, made for the system's DPI, or
// a copy of it scaled to `dpi` (kept until the process ends).
HFONT default_gui_font(UINT dpi);
// The font a unit paints with: the one sent to it, else its own, else the default GUI font.
HFONT unit_font(const Unit& unit);
// Builds the unit's own font from a 60-byte field, at the unit's DPI.
void build_font(Unit& unit, const ByteSet& field);
void add_border_style(std::int32_t border_style, DWORD& style, DWORD& ex_style);
void fill(HDC dc, const RECT& rect, COLORREF colour);
HBRUSH asked_brush(HWND asked, UINT message, HDC dc, HWND window);
// A self-drawn unit's window of `class_name` at its record's rectangle.
HWND create_self_drawn(Unit& unit, HWND parent, const wchar_t* class_name, DWORD style, DWORD ex_style,
                       const Text& text);
// A standard control's window of `class_name` at its record's rectangle.
HWND create_standard(Unit& unit, HWND parent, const wchar_t* class_name, DWORD style, DWORD ex_style,
                     const Text& text);

// ---- DPI ----

// The DPI the system's stock fonts and metrics are made for.
UINT system_dpi();
// A layout length at `dpi`.
int scaled(int length, UINT dpi);
// The unit's record rectangle (in its parent's client area) at the unit's DPI.
RECT unit_rect(const Unit& unit);
// A metric of GetSystemMetrics at `dpi`.
int system_metric(int index, UINT dpi);
// AdjustWindowRectEx at `dpi` (AdjustWindowRectExForDpi where user32 has it).
void adjust_window_rect(RECT& rect, DWORD style, DWORD ex_style, UINT dpi);
// Lays a unit out again at `dpi`: its rectangle, its own font and the font its
// standard control was sent, then its kind's part.
void rescale(Unit& unit, UINT dpi);
// Provided by the window system, which owns the units: rescales every unit of
// the window `window` (not the window itself) to `dpi`.
void rescale_units(HWND window, UINT dpi);

}  // namespace units
