#include "shell/display_rules.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string_view>

#include "common/byte_reader.h"

namespace {
using Channels = std::array<double, 4>;

// One line of `count` samples, `stride` apart, from `source_size` to `target_size` samples.
void resample_line(const std::vector<Channels>& in, std::size_t in_start, std::size_t in_stride,
                   int source_size, std::vector<Channels>& out, std::size_t out_start, std::size_t out_stride,
                   int target_size) {
  const double scale = static_cast<double>(source_size) / target_size;
  for (int t = 0; t < target_size; ++t) {
    const double from = t * scale;
    const double to = from + scale;
    Channels sum{};
    double weight_sum = 0;
    for (int s = static_cast<int>(std::floor(from)); s < source_size && s < to; ++s) {
      const double weight = std::min<double>(s + 1, to) - std::max<double>(s, from);
      if (weight <= 0) continue;
      const Channels& sample = in[in_start + static_cast<std::size_t>(s) * in_stride];
      for (int c = 0; c < 4; ++c) sum[c] += sample[c] * weight;
      weight_sum += weight;
    }
    Channels& target = out[out_start + static_cast<std::size_t>(t) * out_stride];
    for (int c = 0; c < 4; ++c) target[c] = weight_sum > 0 ? sum[c] / weight_sum : 0;
  }
}

}  // namespace

namespace layout {

std::optional<FontSpec> font_from_field(const ByteSet& field) {
  if (field.size() != kFontFieldSize) return std::nullopt;
  ByteReader r(field.data(), field.size());
  FontSpec font;
  font.height = r.i32();
  font.width = r.i32();
  font.escapement = r.i32();
  font.orientation = r.i32();
  font.weight = r.i32();
  font.italic = r.u8();
  font.underline = r.u8();
  font.strike_out = r.u8();
  // Charset, precisions, quality and pitch are replaced by FontSpec's values.
  r.take(5);
  const std::uint8_t* face = r.take(32);
  font.face_name = Text(std::string_view(reinterpret_cast<const char*>(face), 32));
  return font;
}

PictureRect fit_picture(std::int32_t box_width, std::int32_t box_height, std::int32_t picture_width,
                        std::int32_t picture_height) {
  PictureRect rect{0, 0, picture_width, picture_height};
  if (picture_width <= 0 || picture_height <= 0 || box_width <= 0 || box_height <= 0) return {};
  if (picture_width > box_width || picture_height > box_height) {
    // Compare box_w / pic_w with box_h / pic_h exactly, in 64-bit integers.
    const std::int64_t by_width = std::int64_t{box_width} * picture_height;
    const std::int64_t by_height = std::int64_t{box_height} * picture_width;
    if (by_width <= by_height) {
      rect.width = box_width;
      rect.height = static_cast<std::int32_t>(std::int64_t{picture_height} * box_width / picture_width);
    } else {
      rect.height = box_height;
      rect.width = static_cast<std::int32_t>(std::int64_t{picture_width} * box_height / picture_height);
    }
  }
  rect.left = (box_width - rect.width) / 2;
  rect.top = (box_height - rect.height) / 2;
  return rect;
}

PictureRect scale_rect(const PictureRect& rect, std::uint32_t dpi) {
  const std::int32_t left = scale_length(rect.left, dpi);
  const std::int32_t top = scale_length(rect.top, dpi);
  const std::int32_t right =
      scale_length(static_cast<std::int32_t>(std::int64_t{rect.left} + rect.width), dpi);
  const std::int32_t bottom =
      scale_length(static_cast<std::int32_t>(std::int64_t{rect.top} + rect.height), dpi);
  return {left, top, static_cast<std::int32_t>(std::int64_t{right} - left),
          static_cast<std::int32_t>(std::int64_t{bottom} - top)};
}

}  // namespace layout

std::vector<std::uint32_t> scale_pixels(const std::vector<std::uint32_t>& source, int source_width,
                                        int source_height, int target_width, int target_height) {
  if (source_width <= 0 || source_height <= 0 || target_width <= 0 || target_height <= 0) return {};
  if (source.size() != static_cast<std::size_t>(source_width) * static_cast<std::size_t>(source_height))
    return {};
  const auto sw = static_cast<std::size_t>(source_width);
  const auto tw = static_cast<std::size_t>(target_width);

  std::vector<Channels> in(source.size());
  for (std::size_t i = 0; i < source.size(); ++i) {
    for (int c = 0; c < 4; ++c) in[i][c] = static_cast<double>((source[i] >> (8 * c)) & 0xff);
  }
  // Rows first, then columns.
  std::vector<Channels> across(tw * static_cast<std::size_t>(source_height));
  for (std::size_t y = 0; y < static_cast<std::size_t>(source_height); ++y) {
    resample_line(in, y * sw, 1, source_width, across, y * tw, 1, target_width);
  }
  std::vector<Channels> down(tw * static_cast<std::size_t>(target_height));
  for (std::size_t x = 0; x < tw; ++x)
    resample_line(across, x, tw, source_height, down, x, tw, target_height);

  std::vector<std::uint32_t> target(down.size());
  for (std::size_t i = 0; i < down.size(); ++i) {
    std::uint32_t pixel = 0;
    for (int c = 0; c < 4; ++c) {
      const auto value = static_cast<std::uint32_t>(std::clamp(std::lround(down[i][c]), 0L, 255L));
      pixel |= value << (8 * c);
    }
    target[i] = pixel;
  }
  return target;
}
