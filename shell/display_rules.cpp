#include "shell/display_rules.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string_view>

#include "common/byte_reader.h"

namespace {
using Channels = std::array<double, 4>;

// The source samples one target sample covers and their weights, in source
// order: the same for every line of a pass, so worked out once per pass.
struct Coverage {
  std::vector<int> first;  // per target sample: its first entry in `samples` and `weights`
  std::vector<int> samples;
  std::vector<double> weights;
  std::vector<double> weight_sums;
};

// From `source_size` to `target_size` samples along one line.
Coverage coverage(int source_size, int target_size) {
  Coverage c;
  const double scale = static_cast<double>(source_size) / target_size;
  for (int t = 0; t < target_size; ++t) {
    c.first.push_back(static_cast<int>(c.samples.size()));
    const double from = t * scale;
    const double to = from + scale;
    double weight_sum = 0;
    for (int s = static_cast<int>(std::floor(from)); s < source_size && s < to; ++s) {
      const double weight = std::min<double>(s + 1, to) - std::max<double>(s, from);
      if (weight <= 0) continue;
      c.samples.push_back(s);
      c.weights.push_back(weight);
      weight_sum += weight;
    }
    c.weight_sums.push_back(weight_sum);
  }
  c.first.push_back(static_cast<int>(c.samples.size()));
  return c;
}

// The weighted average: the sums divided by the weights, nothing where none covered it.
void average(Channels& sum, double weight_sum) {
  for (int c = 0; c < 4; ++c) sum[c] = weight_sum > 0 ? sum[c] / weight_sum : 0;
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
  const Coverage across_row = coverage(source_width, target_width);
  const Coverage down_column = coverage(source_height, target_height);
  // Rows first, then columns. A target row needs a few source rows, each
  // resampled across once; the next target row starts at the same row or a later one.
  std::vector<Channels> channels(sw);
  std::vector<Channels> across(tw);
  int across_of = -1;
  auto resample_row = [&](int y) {
    const std::uint32_t* pixels = source.data() + static_cast<std::size_t>(y) * sw;
    for (std::size_t x = 0; x < sw; ++x) {
      for (int c = 0; c < 4; ++c) channels[x][c] = static_cast<double>((pixels[x] >> (8 * c)) & 0xff);
    }
    for (std::size_t t = 0; t < tw; ++t) {
      Channels sum{};
      for (int k = across_row.first[t]; k < across_row.first[t + 1]; ++k) {
        const Channels& sample =
            channels[static_cast<std::size_t>(across_row.samples[static_cast<std::size_t>(k)])];
        const double weight = across_row.weights[static_cast<std::size_t>(k)];
        for (int c = 0; c < 4; ++c) sum[c] += sample[c] * weight;
      }
      average(sum, across_row.weight_sums[t]);
      across[t] = sum;
    }
    across_of = y;
  };
  std::vector<std::uint32_t> target(tw * static_cast<std::size_t>(target_height));
  std::vector<Channels> sums(tw);
  for (std::size_t t = 0; t < static_cast<std::size_t>(target_height); ++t) {
    std::fill(sums.begin(), sums.end(), Channels{});
    for (int k = down_column.first[t]; k < down_column.first[t + 1]; ++k) {
      const int y = down_column.samples[static_cast<std::size_t>(k)];
      if (y != across_of) resample_row(y);
      const double weight = down_column.weights[static_cast<std::size_t>(k)];
      for (std::size_t x = 0; x < tw; ++x) {
        for (int c = 0; c < 4; ++c) sums[x][c] += across[x][c] * weight;
      }
    }
    for (std::size_t x = 0; x < tw; ++x) {
      average(sums[x], down_column.weight_sums[t]);
      std::uint32_t pixel = 0;
      for (int c = 0; c < 4; ++c) {
        const auto value = static_cast<std::uint32_t>(std::clamp(std::lround(sums[x][c]), 0L, 255L));
        pixel |= value << (8 * c);
      }
      target[t * tw + x] = pixel;
    }
  }
  return target;
}
