// The values a new unit of each kind starts with, for tests that build layouts
// of their own (the records themselves have no defaults): one of the main
// window's units, with what the main window changed put back.
#pragma once

#include <variant>

#include "common/main_window_units.h"
#include "shell/main_window.h"

template <typename Data>
Data main_window_unit(std::uint32_t unit_id) {
  static const layout::WindowLayout window = main_window_layout({});
  return std::get<Data>(window.find_unit(unit_id)->data);
}

template <typename Data>
Data kind_defaults();

template <>
inline layout::WindowData kind_defaults() {
  auto d = main_window_unit<layout::WindowData>(main_window::kWindowUnit);
  d.minimize_box = 0;
  d.caption.clear();
  return d;
}

template <>
inline layout::EditBoxData kind_defaults() {
  auto d = main_window_unit<layout::EditBoxData>(main_window::kEditSource);
  d.border_style = 1;
  return d;
}

template <>
inline layout::PicBoxData kind_defaults() {
  auto d = main_window_unit<layout::PicBoxData>(main_window::kPictureBanner);
  d.display_mode = 0;
  return d;
}

template <>
inline layout::ShapeBoxData kind_defaults() {
  auto d = main_window_unit<layout::ShapeBoxData>(main_window::kShapeBack);
  d.background_colour = layout::kSystemColour;
  d.line_type = 1;
  d.line_colour = 0;
  return d;
}

template <>
inline layout::LabelData kind_defaults() {
  auto d = main_window_unit<layout::LabelData>(main_window::kLabelAuthor);
  d.words[layout::LabelData::kBackgroundColourWord] = layout::kSystemColour;
  d.caption.clear();
  return d;
}

template <>
inline layout::ButtonData kind_defaults() {
  auto d = main_window_unit<layout::ButtonData>(main_window::kButtonGet);
  d.caption.clear();
  return d;
}

template <>
inline layout::HyperLinkerData kind_defaults() {
  auto d = main_window_unit<layout::HyperLinkerData>(main_window::kLinkOpen);
  d.link_type = 1;
  d.hover_colour = layout::kSystemColour;
  d.background_colour = layout::kSystemColour;
  d.font.clear();
  d.caption.clear();
  return d;
}
