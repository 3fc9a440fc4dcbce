// The kinds of unit a layout holds, one entry each: its layout id (kLayoutId),
// its highest version, its record (the kind data after a unit's common part)
// with that record's fields in block order, which the reader and the writer
// both walk, and its behaviour on Windows (behaviour(), defined in its file in
// shell/units/). KindData below is the table:
// decoding, version checks and the window system's classes and special cases
// all come from it. Adding a kind: its struct and fields here, its row in
// KindData, its file in shell/units/. Portable: no Windows types.
#pragma once

#include <array>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

#include "common/text.h"

namespace units {
struct KindEntry;
}

namespace layout {

// A colour of 0xff000000 means the button-face colour or, for a fill, no fill.
inline constexpr std::uint32_t kSystemColour = 0xff000000;

// "text" fields keep their bytes (code page 936) exactly, NULs included, so a
// block re-encodes to the same bytes.
using Bytes = std::string;

// The records have no default values, so a description of a window
// (shell/main_window.cpp) that leaves a field out does not build. Each kind's
// fields, after the version word, are visited with its data as `D&`, a const
// one when writing.
template <typename D, typename T>
concept FieldsOf = std::same_as<std::remove_const_t<D>, T>;

struct WindowData {
  static constexpr std::uint32_t kLayoutId = 0x00010001;
  static const units::KindEntry& behaviour();
  static constexpr std::uint32_t kHighestVersion = 6;
  std::uint32_t version;
  std::int32_t border_style;
  std::uint32_t word_one;
  std::uint32_t background_colour;
  std::int32_t maximize_box;
  std::int32_t minimize_box;
  std::int32_t control_box;
  std::int32_t start_position;
  std::int32_t close_allowed;
  std::array<std::uint32_t, 5> words;
  std::int32_t shown_in_taskbar;          // version 2 and up
  std::array<std::uint32_t, 2> words_v3;  // version 3 and up
  std::int32_t always_on_top;             // version 4 and up
  std::uint32_t word_v5;                  // version 5 and up
  Bytes class_name;                       // version 6
  ByteSet background_picture;
  ByteSet icon;
  ByteSet background_sound;
  Bytes caption;
  Bytes last_text;
  friend bool operator==(const WindowData&, const WindowData&) = default;
};

template <typename Io, FieldsOf<WindowData> D>
void kind_fields(Io& io, D& d) {
  io.word(d.border_style);
  io.word(d.word_one);
  io.word(d.background_colour);
  io.word(d.maximize_box);
  io.word(d.minimize_box);
  io.word(d.control_box);
  io.word(d.start_position);
  io.word(d.close_allowed);
  io.words(d.words);
  if (d.version >= 2) io.word(d.shown_in_taskbar);
  if (d.version >= 3) io.words(d.words_v3);
  if (d.version >= 4) io.word(d.always_on_top);
  if (d.version >= 5) io.word(d.word_v5);
  if (d.version >= 6) io.text(d.class_name);
  io.bytes(d.background_picture);
  io.bytes(d.icon);
  io.bytes(d.background_sound);
  io.text(d.caption);
  io.text(d.last_text);
}

struct EditBoxData {
  static constexpr std::uint32_t kLayoutId = 0x00010005;
  static const units::KindEntry& behaviour();
  static constexpr std::uint32_t kHighestVersion = 2;
  std::uint32_t version;
  std::int32_t border_style;
  std::uint32_t text_colour;
  std::uint32_t background_colour;
  std::int32_t hide_selection;
  std::int32_t max_length;
  std::int32_t multi_line;
  std::int32_t scroll_bars;
  std::int32_t alignment;
  std::int32_t input_mode;
  std::uint16_t password_char;
  std::int32_t case_conversion;
  std::int32_t spinner_mode;
  std::int32_t spinner_lower;
  std::int32_t spinner_upper;
  std::int32_t selection_start;
  std::int32_t selected_length;
  ByteSet font;
  Bytes content;
  Bytes extra_text_1;  // version 2
  Bytes extra_text_2;  // version 2
  friend bool operator==(const EditBoxData&, const EditBoxData&) = default;
};

template <typename Io, FieldsOf<EditBoxData> D>
void kind_fields(Io& io, D& d) {
  io.word(d.border_style);
  io.word(d.text_colour);
  io.word(d.background_colour);
  io.word(d.hide_selection);
  io.word(d.max_length);
  io.word(d.multi_line);
  io.word(d.scroll_bars);
  io.word(d.alignment);
  io.word(d.input_mode);
  io.half(d.password_char);
  io.word(d.case_conversion);
  io.word(d.spinner_mode);
  io.word(d.spinner_lower);
  io.word(d.spinner_upper);
  io.word(d.selection_start);
  io.word(d.selected_length);
  io.bytes(d.font);
  io.text(d.content);
  if (d.version >= 2) {
    io.text(d.extra_text_1);
    io.text(d.extra_text_2);
  }
}

struct PicBoxData {
  static constexpr std::uint32_t kLayoutId = 0x00010006;
  static const units::KindEntry& behaviour();
  static constexpr std::uint32_t kHighestVersion = 2;
  std::uint32_t version;
  std::int32_t border_style;
  std::uint32_t background_colour;
  std::int32_t display_mode;
  std::int32_t flag;
  ByteSet picture;
  Bytes extra_text_1;  // version 2
  Bytes extra_text_2;  // version 2
  friend bool operator==(const PicBoxData&, const PicBoxData&) = default;
};

template <typename Io, FieldsOf<PicBoxData> D>
void kind_fields(Io& io, D& d) {
  io.word(d.border_style);
  io.word(d.background_colour);
  io.word(d.display_mode);
  io.word(d.flag);
  io.bytes(d.picture);
  if (d.version >= 2) {
    io.text(d.extra_text_1);
    io.text(d.extra_text_2);
  }
}

struct ShapeBoxData {
  static constexpr std::uint32_t kLayoutId = 0x00010007;
  static const units::KindEntry& behaviour();
  static constexpr std::uint32_t kHighestVersion = 1;
  std::uint32_t version;
  std::uint32_t background_colour;
  std::int32_t shape;
  std::int32_t effect_3d;
  std::int32_t line_type;
  std::int32_t line_width;
  std::uint32_t line_colour;
  std::uint32_t fill_colour;
  friend bool operator==(const ShapeBoxData&, const ShapeBoxData&) = default;
};

template <typename Io, FieldsOf<ShapeBoxData> D>
void kind_fields(Io& io, D& d) {
  io.word(d.background_colour);
  io.word(d.shape);
  io.word(d.effect_3d);
  io.word(d.line_type);
  io.word(d.line_width);
  io.word(d.line_colour);
  io.word(d.fill_colour);
}

struct LabelData {
  static constexpr std::uint32_t kLayoutId = 0x0001000a;
  static const units::KindEntry& behaviour();
  static constexpr std::size_t kTextColourWord = 6;
  static constexpr std::size_t kBackgroundColourWord = 7;
  static constexpr std::uint32_t kHighestVersion = 2;
  std::uint32_t version;
  std::array<std::uint32_t, 16> words;
  ByteSet first_bytes;
  ByteSet font;
  Bytes caption;
  Bytes extra_text_1;  // version 2
  Bytes extra_text_2;  // version 2
  std::uint32_t text_colour() const { return words[kTextColourWord]; }
  std::uint32_t background_colour() const { return words[kBackgroundColourWord]; }
  friend bool operator==(const LabelData&, const LabelData&) = default;
};

template <typename Io, FieldsOf<LabelData> D>
void kind_fields(Io& io, D& d) {
  io.words(d.words);
  io.bytes(d.first_bytes);
  io.bytes(d.font);
  io.text(d.caption);
  if (d.version >= 2) {
    io.text(d.extra_text_1);
    io.text(d.extra_text_2);
  }
}

struct ButtonData {
  static constexpr std::uint32_t kLayoutId = 0x0001000b;
  static const units::KindEntry& behaviour();
  static constexpr std::uint32_t kHighestVersion = 1;
  std::uint32_t version;
  std::int32_t button_type;
  std::int32_t horizontal_alignment;
  std::int32_t vertical_alignment;
  ByteSet picture;
  ByteSet font;
  Bytes caption;
  friend bool operator==(const ButtonData&, const ButtonData&) = default;
};

template <typename Io, FieldsOf<ButtonData> D>
void kind_fields(Io& io, D& d) {
  io.word(d.button_type);
  io.word(d.horizontal_alignment);
  io.word(d.vertical_alignment);
  io.bytes(d.picture);
  io.bytes(d.font);
  io.text(d.caption);
}

struct HyperLinkerData {
  static constexpr std::uint32_t kLayoutId = 0x0001001d;
  static const units::KindEntry& behaviour();
  static constexpr std::uint32_t kHighestVersion = 1;
  std::uint32_t version;
  std::int32_t link_type;
  std::uint32_t normal_colour;
  std::uint32_t visited_colour;
  std::uint32_t hover_colour;  // the system highlight colour
  std::uint32_t background_colour;
  std::int32_t border_style;
  ByteSet font;
  Bytes caption;
  Bytes email_address;
  Bytes web_address;
  // What the link opens itself on a press: its web address (link type 1), or
  // "mailto:" and its e-mail address (type 0); empty when there is nothing to open.
  Text target() const {
    if (link_type == 1) return Text(web_address);
    const Text address(email_address);
    return address.empty() ? Text() : Text("mailto:") + address;
  }
  friend bool operator==(const HyperLinkerData&, const HyperLinkerData&) = default;
};

template <typename Io, FieldsOf<HyperLinkerData> D>
void kind_fields(Io& io, D& d) {
  io.word(d.link_type);
  io.word(d.normal_colour);
  io.word(d.visited_colour);
  io.word(d.hover_colour);
  io.word(d.background_colour);
  io.word(d.border_style);
  io.bytes(d.font);
  io.text(d.caption);
  io.text(d.email_address);
  io.text(d.web_address);
}

// Kind data that cannot be used: an unknown kind, a version above the kind's
// highest, or data that does not fit its record. The unit is not created; the
// bytes are kept so the block still re-encodes.
struct UnusableData {
  ByteSet bytes;
  friend bool operator==(const UnusableData&, const UnusableData&) = default;
};

// The table of kinds, after the data of a unit that cannot be used.
using KindData = std::variant<UnusableData, WindowData, EditBoxData, PicBoxData, ShapeBoxData, LabelData,
                              ButtonData, HyperLinkerData>;

// Calls visit(std::type_identity<Data>{}) for every kind of the table.
template <typename Visit>
void for_each_kind(Visit visit) {
  [&visit]<std::size_t... I>(std::index_sequence<I...>) {
    (visit(std::type_identity<std::variant_alternative_t<I + 1, KindData>>{}), ...);
  }
  (std::make_index_sequence<std::variant_size_v<KindData> - 1>{});
}

}  // namespace layout
