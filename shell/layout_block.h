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
#include "shell/layout_kinds.h"

namespace layout {

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

// The fields of a record's common part and of the block's header, in block
// order, which the reader (layout_block.cpp) and the writer (layout_writer.cpp)
// both walk, so they cannot drift apart; each kind's own fields are beside its
// record in layout_kinds.h.

// ---- the common part of a record, before the kind data ----

template <typename Io, FieldsOf<UnitRecord> U>
void record_fields(Io& io, U& u) {
  io.word(u.kind);
  io.words(u.runtime_words);
  io.c_text(u.name);
  io.c_text(u.second_name);
  io.word(u.object_slot);
  io.word(u.left);
  io.word(u.top);
  io.word(u.width);
  io.word(u.height);
  io.word(u.rect_slot);
  io.word(u.parent);
  io.list(u.children, 4, [&io](auto& child) { io.word(child); });
  io.bytes(u.pointer);
  io.c_text(u.tag);
  io.words(u.state);
  io.list(u.events, 8, [&io](auto& binding) {
    io.word(binding.event);
    io.word(binding.handler);
  });
  io.words(u.tail_words);
}

// ---- the block's header, before the unit count ----

template <typename Io, FieldsOf<WindowLayout> L>
void header_fields(Io& io, L& layout) {
  io.word(layout.format);
  io.word(layout.window_id);
  io.words(layout.design_words);
}

// Reads a whole block. A malformed block (truncated, lengths or offsets out of
// range, absurd counts) gives nullopt; a unit whose kind data cannot be used
// is kept as UnusableData.
std::optional<WindowLayout> decode_window_layout(const std::uint8_t* data, std::size_t size);
inline std::optional<WindowLayout> decode_window_layout(const ByteSet& block) {
  return decode_window_layout(block.data(), block.size());
}

}  // namespace layout
