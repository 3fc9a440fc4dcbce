// The layout block's fields in block order, shared by the reader
// (layout_block.cpp) and the writer (layout_writer.cpp).
#pragma once

#include <concepts>
#include <type_traits>

#include "shell/layout_block.h"

namespace layout {

// One description of every field, in block order, drives both directions:
// the reader fills the fields from bytes, the writer writes them out, so the
// reader and the writer cannot drift apart. Each visit below takes its data as
// `D&`, a const one when writing.
template <typename D, typename T>
concept FieldsOf = std::same_as<std::remove_const_t<D>, T>;

// ---- kind data, after the version word ----

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

template <typename Io, FieldsOf<ButtonData> D>
void kind_fields(Io& io, D& d) {
  io.word(d.button_type);
  io.word(d.horizontal_alignment);
  io.word(d.vertical_alignment);
  io.bytes(d.picture);
  io.bytes(d.font);
  io.text(d.caption);
}

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

}  // namespace layout
