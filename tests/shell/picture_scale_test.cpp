// Area-averaging resample of the picture box.
#include "shell/display_rules.h"

#include <gtest/gtest.h>

namespace {

std::uint32_t grey(std::uint32_t level) { return level | level << 8 | level << 16 | 0xff000000u; }

TEST(ScalePixels, SameSizeKeepsEveryPixel) {
  const std::vector<std::uint32_t> source{0x11223344, 0x55667788, 0x99aabbcc,
                                          0xddeeff00, 0x01020304, 0x05060708};
  EXPECT_EQ(scale_pixels(source, 3, 2, 3, 2), source);
}

TEST(ScalePixels, HalvingAveragesEachTwoByTwoBlock) {
  // 4 x 2 -> 2 x 1: left block 0, 100, 100, 200 -> 100; right block 40 x 4 -> 40.
  const std::vector<std::uint32_t> source{grey(0),   grey(100), grey(40), grey(40),
                                          grey(100), grey(200), grey(40), grey(40)};
  EXPECT_EQ(scale_pixels(source, 4, 2, 2, 1), (std::vector<std::uint32_t>{grey(100), grey(40)}));
}

TEST(ScalePixels, FractionalCoverageIsWeightedByArea) {
  // 3 -> 2: the first target pixel covers source 0 and half of source 1.
  const std::vector<std::uint32_t> source{grey(0), grey(90), grey(180)};
  const auto scaled = scale_pixels(source, 3, 1, 2, 1);
  ASSERT_EQ(scaled.size(), 2u);
  EXPECT_EQ(scaled[0], grey(30));   // (0 * 1 + 90 * 0.5) / 1.5
  EXPECT_EQ(scaled[1], grey(150));  // (90 * 0.5 + 180 * 1) / 1.5
}

TEST(ScalePixels, UniformPictureStaysUniformAtAnySize) {
  const std::vector<std::uint32_t> source(400 * 106, 0x80c0ffeeu);
  const auto scaled = scale_pixels(source, 400, 106, 231, 61);
  ASSERT_EQ(scaled.size(), 231u * 61u);
  for (auto pixel : scaled) ASSERT_EQ(pixel, 0x80c0ffeeu);
  const auto grown = scale_pixels({0x00010203u}, 1, 1, 3, 2);
  EXPECT_EQ(grown, std::vector<std::uint32_t>(6, 0x00010203u));
}

TEST(ScalePixels, BadSizesGiveNothing) {
  const std::vector<std::uint32_t> four(4, 1);
  EXPECT_TRUE(scale_pixels(four, 2, 2, 0, 1).empty());
  EXPECT_TRUE(scale_pixels(four, 2, 2, 1, -1).empty());
  EXPECT_TRUE(scale_pixels(four, 3, 2, 1, 1).empty());  // count does not match
  EXPECT_TRUE(scale_pixels({}, 0, 0, 1, 1).empty());
}

}  // namespace
