// Lengths drawn for 96 DPI (the layout's rectangles and fonts, the skin's font
// heights and the skin engine's margins) at the DPI a window is shown at.
// Portable: no Windows types.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

inline constexpr std::uint32_t kBaseDpi = 96;

// length * dpi / 96 rounded to the nearest pixel, halves away from zero; at 96
// it is the length itself.
constexpr std::int32_t scale_length(std::int32_t length, std::uint32_t dpi) {
  const std::int64_t product = std::int64_t{length} * dpi;
  const std::int64_t half = kBaseDpi / 2;
  const std::int64_t rounded = product >= 0 ? (product + half) / kBaseDpi : -((-product + half) / kBaseDpi);
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(rounded, std::numeric_limits<std::int32_t>::min(),
                                                            std::numeric_limits<std::int32_t>::max()));
}
