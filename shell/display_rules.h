// How the window system shows what a layout describes: the font a field
// stands for, where a fitted picture goes and how it
// is resampled. Portable: no Windows types.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "common/dpi_scale.h"
#include "common/text.h"
#include "shell/layout_block.h"

namespace layout {

// A font field: exactly 60 bytes of LOGFONTA, else the default GUI font.
struct FontSpec {
  std::int32_t height = 0;
  std::int32_t width = 0;
  std::int32_t escapement = 0;
  std::int32_t orientation = 0;
  std::int32_t weight = 0;
  std::uint8_t italic = 0;
  std::uint8_t underline = 0;
  std::uint8_t strike_out = 0;
  // Replaced whatever the field holds.
  std::uint8_t char_set = 1;
  std::uint8_t out_precision = 0;
  std::uint8_t clip_precision = 0;
  std::uint8_t quality = 2;
  std::uint8_t pitch_and_family = 0;
  Text face_name;  // code page 936
  friend bool operator==(const FontSpec&, const FontSpec&) = default;
};
// nullopt means the default GUI font.
std::optional<FontSpec> font_from_field(const ByteSet& field);

// Display mode 2: a picture larger than the box is scaled by the smaller ratio
// (each side cut to a whole pixel), a smaller one keeps its size; centred.
struct PictureRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  friend bool operator==(const PictureRect&, const PictureRect&) = default;
};
PictureRect fit_picture(std::int32_t box_width, std::int32_t box_height, std::int32_t picture_width,
                        std::int32_t picture_height);

// A unit's rectangle at `dpi` (layouts are drawn for kBaseDpi): its edges are scaled, not its size, so units
// that touch or line up at 96 DPI still do.
PictureRect scale_rect(const PictureRect& rect, std::uint32_t dpi);

}  // namespace layout

// Resampling of a decoded picture for the picture box: each target pixel is
// the area-weighted average of the source pixels it covers, so a banner shrunk
// to its box keeps its thin lines and text readable. Outside
// namespace layout, as the window system has always called it.
// Pixels are 32-bit values of four 8-bit channels, rows top to bottom. Gives
// the empty vector for an empty size or a pixel count that does not match.
std::vector<std::uint32_t> scale_pixels(const std::vector<std::uint32_t>& source, int source_width,
                                        int source_height, int target_width, int target_height);
