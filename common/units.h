// How the handlers reach the units of a loaded window: the read and write of
// one property. Declared here, below the commands that use it; the window
// system (shell/) implements it.
//
//   kPropertyVisible (5): a bool; writing it shows or hides the unit.
//   kPropertyContent (8): an edit box's text as a Text (code page 936); writing
//     replaces the whole text, reading returns a copy (empty for an empty box).
#pragma once

#include <cstdint>
#include <variant>

#include "common/text.h"

inline constexpr int kPropertyVisible = 5;
inline constexpr int kPropertyContent = 8;

// std::monostate: no such window, unit or property.
using UnitValue = std::variant<std::monostate, bool, Text>;

UnitValue read_unit_property(std::uint32_t window_id, std::uint32_t unit_id, int property_index);
// False when the window, unit or property does not exist or the value has the wrong type.
bool write_unit_property(std::uint32_t window_id, std::uint32_t unit_id, int property_index,
                         const UnitValue& value);
