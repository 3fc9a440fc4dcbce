// The window system: turns a layout block into real windows, dispatches unit
// events to the program's handlers, and lets handlers read and change units.
// One GUI thread; every call here runs on it.
//
// Handlers reach units by property index:
//   kPropertyVisible (5): a bool; writing it shows or hides the unit.
//   kPropertyContent (8): an edit box's text as a Text (code page 936); writing
//     replaces the whole text, reading returns a copy (empty for an empty box).
// UnitValue carries either; read_unit_visible / read_unit_text and the write_
// wrappers are the typed forms of the same calls.
#pragma once

#include <windows.h>

#include <cstdint>
#include <variant>

#include "common/text.h"
#include "shell/event_handler.h"
#include "shell/layout_block.h"

inline constexpr int kPropertyVisible = 5;
inline constexpr int kPropertyContent = 8;

// std::monostate: no such window, unit or property.
using UnitValue = std::variant<std::monostate, bool, Text>;

// Takes the layout block and the handler table the layout's handler indices
// refer to. False when the block is malformed.
bool window_system_start(const ByteSet& block, HandlerTable handlers);
// The RCDATA resource `resource_id` of `module` (empty when missing).
ByteSet layout_block_resource(HMODULE module, int resource_id);

// Builds the window `window_id` from the layout: the window, then every unit,
// then its event 0. With `modal` the parent is disabled and the call returns
// when the window is closed; otherwise at once. False when the layout has no
// such window or the window cannot be created.
bool load_window(std::uint32_t window_id, HWND parent, bool modal);

// Pumps messages until the last window of the program is gone (or a WM_QUIT
// arrives). Returns at once when no window exists.
void run_message_loop();
// Whether any window of the program exists. A handler that waited (for the
// network, say) asks it before telling the user anything: the window may have
// been closed meanwhile.
bool any_window_exists();

UnitValue read_unit_property(std::uint32_t window_id, std::uint32_t unit_id, int property_index);
// False when the window, unit or property does not exist or the value has the wrong type.
bool write_unit_property(std::uint32_t window_id, std::uint32_t unit_id, int property_index,
                         const UnitValue& value);

bool read_unit_visible(std::uint32_t window_id, std::uint32_t unit_id);
Text read_unit_text(std::uint32_t window_id, std::uint32_t unit_id);
bool write_unit_visible(std::uint32_t window_id, std::uint32_t unit_id, bool visible);
bool write_unit_text(std::uint32_t window_id, std::uint32_t unit_id, const Text& text);

// The real window of a unit (the window itself for its own unit or window id);
// nullptr when it does not exist.
HWND unit_window(std::uint32_t window_id, std::uint32_t unit_id);

// Window classes of the kinds drawn by the window system itself.
inline constexpr wchar_t kWindowClass[] = L"TarnvexWindow";
inline constexpr wchar_t kShapeBoxClass[] = L"TarnvexShapeBox";
inline constexpr wchar_t kLabelClass[] = L"TarnvexLabel";
inline constexpr wchar_t kPicBoxClass[] = L"TarnvexPicBox";
inline constexpr wchar_t kHyperLinkerClass[] = L"TarnvexHyperLinker";
