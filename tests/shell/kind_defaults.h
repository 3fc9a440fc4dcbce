// The values a new unit of each kind starts with, for tests that build layouts
// of their own (the records themselves have no defaults: a description gives
// every field).
#pragma once

#include "shell/layout_block.h"

template <typename Data>
Data kind_defaults();

template <>
inline layout::WindowData kind_defaults() {
  return {.version = 6,
          .border_style = 2,
          .word_one = 1,
          .background_colour = layout::kSystemColour,
          .maximize_box = 0,
          .minimize_box = 0,
          .control_box = 1,
          .start_position = 1,
          .close_allowed = 1,
          .words = {0, 0, 1, 0, 0},
          .shown_in_taskbar = 1,
          .words_v3 = {0, 0},
          .always_on_top = 0,
          .word_v5 = 0,
          .class_name = {},
          .background_picture = {},
          .icon = {},
          .background_sound = {},
          .caption = {},
          .last_text = {}};
}

template <>
inline layout::EditBoxData kind_defaults() {
  return {.version = 2,
          .border_style = 1,
          .text_colour = 0,
          .background_colour = 0x00ffffff,
          .hide_selection = 1,
          .max_length = 0,
          .multi_line = 0,
          .scroll_bars = 0,
          .alignment = 0,
          .input_mode = 0,
          .password_char = '*',
          .case_conversion = 0,
          .spinner_mode = 0,
          .spinner_lower = 0,
          .spinner_upper = 100,
          .selection_start = 0,
          .selected_length = 0,
          .font = {},
          .content = {},
          .extra_text_1 = {},
          .extra_text_2 = {}};
}

template <>
inline layout::PicBoxData kind_defaults() {
  return {.version = 2,
          .border_style = 0,
          .background_colour = layout::kSystemColour,
          .display_mode = 0,
          .flag = 1,
          .picture = {},
          .extra_text_1 = {},
          .extra_text_2 = {}};
}

template <>
inline layout::ShapeBoxData kind_defaults() {
  return {.version = 1,
          .background_colour = layout::kSystemColour,
          .shape = 0,
          .effect_3d = 0,
          .line_type = 1,
          .line_width = 1,
          .line_colour = 0,
          .fill_colour = layout::kSystemColour};
}

template <>
inline layout::LabelData kind_defaults() {
  return {.version = 2,
          .words = {0, 8, 0, 0x00808080, 0x00ffffff, 0x00808080, 0, layout::kSystemColour, 1, 0, 0x00808080,
                    0x00ffffff, 0x00808080, 0, 1, 0},
          .first_bytes = {},
          .font = {},
          .caption = {},
          .extra_text_1 = {},
          .extra_text_2 = {}};
}

template <>
inline layout::ButtonData kind_defaults() {
  return {.version = 1,
          .button_type = 0,
          .horizontal_alignment = 1,
          .vertical_alignment = 1,
          .picture = {},
          .font = {},
          .caption = {}};
}

template <>
inline layout::HyperLinkerData kind_defaults() {
  return {.version = 1,
          .link_type = 1,
          .normal_colour = 0x00ff0000,
          .visited_colour = 0x00000080,
          .hover_colour = layout::kSystemColour,
          .background_colour = layout::kSystemColour,
          .border_style = 0,
          .font = {},
          .caption = {},
          .email_address = {},
          .web_address = {}};
}
