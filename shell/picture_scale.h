// Resampling of a decoded picture for the picture box: each target pixel is
// the area-weighted average of the source pixels it covers, so a banner shrunk
// to its box keeps its thin lines and text readable.
#pragma once

#include <cstdint>
#include <vector>

// Pixels are 32-bit values of four 8-bit channels, rows top to bottom. Gives
// the empty vector for an empty size or a pixel count that does not match.
std::vector<std::uint32_t> scale_pixels(const std::vector<std::uint32_t>& source, int source_width,
                                        int source_height, int target_width, int target_height);
