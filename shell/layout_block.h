// The window layout block: a serialised window and its units (controls), read
// by the window system at start. All integers are 32-bit little-endian.
// Portable: no Windows types.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "common/text.h"

namespace layout {

enum class UnitKind : std::uint32_t {
  kWindow = 0x00010001,
  kEditBox = 0x00010005,
  kPicBox = 0x00010006,
  kShapeBox = 0x00010007,
  kLabel = 0x0001000a,
  kButton = 0x0001000b,
  kHyperLinker = 0x0001001d,
};

// A colour of 0xff000000 means the button-face colour or, for a fill, no fill.
inline constexpr std::uint32_t kSystemColour = 0xff000000;
inline constexpr std::int32_t kNoHandler = -1;
inline constexpr std::size_t kFontFieldSize = 60;

// State word 1 flag bits.
inline constexpr std::uint32_t kStateVisible = 1;
inline constexpr std::uint32_t kStateDisabled = 2;
inline constexpr std::uint32_t kStateTabStop = 4;

// Event indices: 0 is the kind's own first event; negative ones are common to all units.
inline constexpr std::int32_t kEventOwn = 0;
inline constexpr std::int32_t kEventLeftDown = -1;
inline constexpr std::int32_t kEventLeftUp = -2;
inline constexpr std::int32_t kEventLeftDoubleClick = -3;
inline constexpr std::int32_t kEventRightDown = -4;
inline constexpr std::int32_t kEventRightUp = -5;
inline constexpr std::int32_t kEventMouseMove = -6;
inline constexpr std::int32_t kEventFocusGained = -7;
inline constexpr std::int32_t kEventFocusLost = -8;

// "text" fields keep their bytes (code page 936) exactly, NULs included, so a
// block re-encodes to the same bytes.
using Bytes = std::string;

struct WindowData {
  std::uint32_t version = 6;
  std::int32_t border_style = 2;
  std::uint32_t word_one = 1;
  std::uint32_t background_colour = kSystemColour;
  std::int32_t maximize_box = 0;
  std::int32_t minimize_box = 0;
  std::int32_t control_box = 1;
  std::int32_t start_position = 1;
  std::int32_t close_allowed = 1;
  std::array<std::uint32_t, 5> words{0, 0, 1, 0, 0};
  std::int32_t shown_in_taskbar = 1;            // version 2 and up
  std::array<std::uint32_t, 2> words_v3{0, 0};  // version 3 and up
  std::int32_t always_on_top = 0;               // version 4 and up
  std::uint32_t word_v5 = 0;                    // version 5 and up
  Bytes class_name;                             // version 6
  ByteSet background_picture;
  ByteSet icon;
  ByteSet background_sound;
  Bytes caption;
  Bytes last_text;
  friend bool operator==(const WindowData&, const WindowData&) = default;
};

struct EditBoxData {
  std::uint32_t version = 2;
  std::int32_t border_style = 1;
  std::uint32_t text_colour = 0;
  std::uint32_t background_colour = 0x00ffffff;
  std::int32_t hide_selection = 1;
  std::int32_t max_length = 0;
  std::int32_t multi_line = 0;
  std::int32_t scroll_bars = 0;
  std::int32_t alignment = 0;
  std::int32_t input_mode = 0;
  std::uint16_t password_char = '*';
  std::int32_t case_conversion = 0;
  std::int32_t spinner_mode = 0;
  std::int32_t spinner_lower = 0;
  std::int32_t spinner_upper = 100;
  std::int32_t selection_start = 0;
  std::int32_t selected_length = 0;
  ByteSet font;
  Bytes content;
  Bytes extra_text_1;  // version 2
  Bytes extra_text_2;  // version 2
  friend bool operator==(const EditBoxData&, const EditBoxData&) = default;
};

struct PicBoxData {
  std::uint32_t version = 2;
  std::int32_t border_style = 0;
  std::uint32_t background_colour = kSystemColour;
  std::int32_t display_mode = 0;
  std::int32_t flag = 1;
  ByteSet picture;
  Bytes extra_text_1;  // version 2
  Bytes extra_text_2;  // version 2
  friend bool operator==(const PicBoxData&, const PicBoxData&) = default;
};

struct ShapeBoxData {
  std::uint32_t version = 1;
  std::uint32_t background_colour = kSystemColour;
  std::int32_t shape = 0;
  std::int32_t effect_3d = 0;
  std::int32_t line_type = 1;
  std::int32_t line_width = 1;
  std::uint32_t line_colour = 0;
  std::uint32_t fill_colour = kSystemColour;
  friend bool operator==(const ShapeBoxData&, const ShapeBoxData&) = default;
};

struct LabelData {
  static constexpr std::size_t kTextColourWord = 6;
  static constexpr std::size_t kBackgroundColourWord = 7;
  std::uint32_t version = 2;
  std::array<std::uint32_t, 16> words{0, 8, 0,          0x00808080, 0x00ffffff, 0x00808080, 0, kSystemColour,
                                      1, 0, 0x00808080, 0x00ffffff, 0x00808080, 0,          1, 0};
  ByteSet first_bytes;
  ByteSet font;
  Bytes caption;
  Bytes extra_text_1;  // version 2
  Bytes extra_text_2;  // version 2
  std::uint32_t text_colour() const { return words[kTextColourWord]; }
  std::uint32_t background_colour() const { return words[kBackgroundColourWord]; }
  friend bool operator==(const LabelData&, const LabelData&) = default;
};

struct ButtonData {
  std::uint32_t version = 1;
  std::int32_t button_type = 0;
  std::int32_t horizontal_alignment = 1;
  std::int32_t vertical_alignment = 1;
  ByteSet picture;
  ByteSet font;
  Bytes caption;
  friend bool operator==(const ButtonData&, const ButtonData&) = default;
};

struct HyperLinkerData {
  std::uint32_t version = 1;
  std::int32_t link_type = 1;
  std::uint32_t normal_colour = 0x00ff0000;
  std::uint32_t visited_colour = 0x00000080;
  std::uint32_t hover_colour = kSystemColour;  // the system highlight colour
  std::uint32_t background_colour = kSystemColour;
  std::int32_t border_style = 0;
  ByteSet font;
  Bytes caption;
  Bytes email_address;
  Bytes web_address;
  friend bool operator==(const HyperLinkerData&, const HyperLinkerData&) = default;
};

// Kind data that cannot be used: an unknown kind, a version above the kind's
// highest, or data that does not fit its record. The unit is not created; the
// bytes are kept so the block still re-encodes.
struct UnusableData {
  ByteSet bytes;
  friend bool operator==(const UnusableData&, const UnusableData&) = default;
};

using KindData = std::variant<UnusableData, WindowData, EditBoxData, PicBoxData, ShapeBoxData, LabelData,
                              ButtonData, HyperLinkerData>;

struct EventBinding {
  std::int32_t event = 0;
  // Index into the program's handler table, or kNoHandler.
  std::int32_t handler = kNoHandler;
  friend bool operator==(const EventBinding&, const EventBinding&) = default;
};

struct UnitRecord {
  std::uint32_t kind = 0;
  std::array<std::uint32_t, 5> runtime_words{};
  Bytes name;
  Bytes second_name;
  std::uint32_t object_slot = 0;
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::uint32_t rect_slot = 0;
  std::uint32_t parent = 0;  // 0: the window's client area
  std::vector<std::uint32_t> children;
  ByteSet pointer{0, 0, 0, 0};  // the standard arrow
  Bytes tag;
  std::array<std::uint32_t, 3> state{};
  std::vector<EventBinding> events;
  std::array<std::uint32_t, 5> tail_words{};
  KindData data;

  bool usable() const { return !std::holds_alternative<UnusableData>(data); }
  bool visible() const { return (state[1] & kStateVisible) != 0; }
  bool disabled() const { return (state[1] & kStateDisabled) != 0; }
  bool tab_stop() const { return (state[1] & kStateTabStop) != 0; }
  std::int32_t handler_for(std::int32_t event) const;
  friend bool operator==(const UnitRecord&, const UnitRecord&) = default;
};

struct WindowLayout {
  std::uint32_t format = 8;
  std::uint32_t window_id = 0;
  std::array<std::uint32_t, 5> design_words{};
  std::vector<std::uint32_t> unit_ids;
  std::vector<UnitRecord> units;  // same order as unit_ids

  // The unit with this identifier, or null.
  const UnitRecord* find_unit(std::uint32_t unit_id) const;
  friend bool operator==(const WindowLayout&, const WindowLayout&) = default;
};

// Highest version each kind understands; 0 for an unknown kind.
std::uint32_t highest_version(std::uint32_t kind);

// Reads a whole block. A malformed block (truncated, lengths or offsets out of
// range, absurd counts) gives nullopt; a unit whose kind data cannot be used
// is kept as UnusableData.
std::optional<WindowLayout> decode_window_layout(const std::uint8_t* data, std::size_t size);
inline std::optional<WindowLayout> decode_window_layout(const ByteSet& block) {
  return decode_window_layout(block.data(), block.size());
}

}  // namespace layout
