// The picture box's JPEG decoder against libjpeg, the decoder Wine's imaging
// component uses: pictures written by libjpeg in each sampling, scan and
// restart arrangement, decoded by both.
#include "shell/jpeg_decode.h"

#include <gtest/gtest.h>
// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // three bytes a pixel
};

// Colour ramps with sharp stripes across them, so chroma edges and every
// block position are exercised.
Picture sample_picture(int width, int height) {
  Picture p{width, height, {}};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const bool stripe = (x / 3 + y / 5) % 4 == 0;
      p.rgb.push_back(static_cast<std::uint8_t>(x * 255 / width));
      p.rgb.push_back(static_cast<std::uint8_t>(stripe ? 240 : y * 200 / height));
      p.rgb.push_back(static_cast<std::uint8_t>(stripe ? 20 : 255 - x * 128 / width));
    }
  }
  return p;
}

struct Encoding {
  const char* name;
  int width, height;
  int components;  // 1 grey, 3 YCbCr, -3 RGB (Adobe marker)
  int h, v;        // of the first component; the others are 1 x 1
  int restart_interval = 0;
  bool scan_per_component = false;
  bool progressive = false;
  int reduction = 1;
};

std::vector<std::uint8_t> encode(const Encoding& e) {
  const Picture source = sample_picture(e.width, e.height);
  jpeg_compress_struct c{};
  jpeg_error_mgr errors{};
  c.err = jpeg_std_error(&errors);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = static_cast<JDIMENSION>(e.width);
  c.image_height = static_cast<JDIMENSION>(e.height);
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 85, TRUE);
  if (e.components == 1) jpeg_set_colorspace(&c, JCS_GRAYSCALE);
  if (e.components == -3) jpeg_set_colorspace(&c, JCS_RGB);
  c.comp_info[0].h_samp_factor = e.h;
  c.comp_info[0].v_samp_factor = e.v;
  for (int i = 1; i < c.num_components; ++i) c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
  c.restart_interval = static_cast<unsigned>(e.restart_interval);
  jpeg_scan_info scans[3]{};
  if (e.scan_per_component) {
    for (int i = 0; i < 3; ++i) scans[i] = {1, {i}, 0, 63, 0, 0};
    c.scan_info = scans;
    c.num_scans = 3;
  }
  if (e.progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(source.rgb.data() + c.next_scanline * 3u * source.width);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::vector<std::uint8_t> bytes(out, out + size);
  std::free(out);
  return bytes;
}

Picture libjpeg_decode(const std::vector<std::uint8_t>& bytes, int reduction) {
  jpeg_decompress_struct d{};
  jpeg_error_mgr errors{};
  d.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&d);
  jpeg_mem_src(&d, bytes.data(), bytes.size());
  jpeg_read_header(&d, TRUE);
  d.out_color_space = JCS_RGB;
  d.scale_num = 1;
  d.scale_denom = static_cast<unsigned>(reduction);
  jpeg_start_decompress(&d);
  Picture p{static_cast<int>(d.output_width), static_cast<int>(d.output_height), {}};
  p.rgb.resize(static_cast<std::size_t>(p.width) * 3 * static_cast<std::size_t>(p.height));
  while (d.output_scanline < d.output_height) {
    JSAMPROW row = p.rgb.data() + d.output_scanline * 3u * d.output_width;
    jpeg_read_scanlines(&d, &row, 1);
  }
  jpeg_finish_decompress(&d);
  jpeg_destroy_decompress(&d);
  return p;
}

// Both decoders' levels differ only by their inverse DCTs' rounding.
void expect_close_to_libjpeg(const std::vector<std::uint8_t>& bytes, const std::string& name, int reduction) {
  const Picture reference = libjpeg_decode(bytes, reduction);
  const auto decoded = decode_jpeg(bytes, reduction);
  ASSERT_TRUE(decoded) << name;
  ASSERT_EQ(decoded->width, reference.width) << name;
  ASSERT_EQ(decoded->height, reference.height) << name;
  int worst = 0;
  long total = 0;
  for (std::size_t i = 0; i < decoded->pixels.size(); ++i) {
    for (int c = 0; c < 3; ++c) {
      const int ours = static_cast<int>(decoded->pixels[i] >> (16 - 8 * c) & 0xff);
      const int difference = std::abs(ours - reference.rgb[3 * i + static_cast<std::size_t>(c)]);
      worst = std::max(worst, difference);
      total += difference;
    }
  }
  EXPECT_LE(worst, 3) << name;
  EXPECT_LT(static_cast<double>(total) / (3.0 * static_cast<double>(decoded->pixels.size())), 0.1) << name;
}

TEST(JpegDecode, GivesLibjpegsPixelsForEachArrangement) {
  const Encoding kEncodings[] = {
      {"4:2:0, sizes not whole blocks", 37, 19, 3, 2, 2},
      {"4:2:2", 40, 24, 3, 2, 1},
      {"4:4:0", 33, 17, 3, 1, 2},
      {"4:4:4", 16, 16, 3, 1, 1},
      {"4:1:1, repeated chroma", 45, 9, 3, 4, 1},
      {"grey", 29, 11, 1, 1, 1},
      {"RGB, Adobe marker", 21, 13, 3 * -1, 1, 1},
      {"restart every 3 MCUs", 70, 40, 3, 2, 2, 3},
      {"one scan per component, restarts", 50, 30, 3, 2, 2, 2, true},
      {"one pixel", 1, 1, 3, 2, 2},
      {"4:2:0 at 1/2", 37, 19, 3, 2, 2, 0, false, false, 2},
      {"4:2:2 at 1/4, restarts", 70, 41, 3, 2, 1, 5, false, false, 4},
      {"grey at 1/8", 45, 30, 1, 1, 1, 0, false, false, 8},
      {"4:2:0 at 1/8, one scan per component", 70, 41, 3, 2, 2, 0, true, false, 8},
  };
  for (const Encoding& e : kEncodings) expect_close_to_libjpeg(encode(e), e.name, e.reduction);

  std::ifstream file(TARNVEX_BANNER_FILE, std::ios::binary);
  const std::vector<std::uint8_t> banner{std::istreambuf_iterator<char>(file),
                                         std::istreambuf_iterator<char>()};
  expect_close_to_libjpeg(banner, "the banner", 1);
  expect_close_to_libjpeg(banner, "the banner at 1/2", 2);
  EXPECT_FALSE(decode_jpeg(banner, 3));
  const auto size = jpeg_size(banner);
  ASSERT_TRUE(size);
  EXPECT_EQ(size->width, 800);
  EXPECT_EQ(size->height, 212);
}

TEST(JpegDecode, LeavesWhatItDoesNotReadToThePlatform) {
  Encoding progressive{"progressive", 40, 24, 3, 2, 2};
  progressive.progressive = true;
  EXPECT_FALSE(decode_jpeg(encode(progressive)));

  const std::vector<std::uint8_t> whole = encode({"restarts", 64, 64, 3, 2, 2, 4});
  ASSERT_TRUE(decode_jpeg(whole));
  // Cut short, or with a byte of its data lost: never a picture half made up.
  for (std::size_t keep : {whole.size() / 2, whole.size() - 3, std::size_t{20}}) {
    EXPECT_FALSE(decode_jpeg(std::vector<std::uint8_t>(whole.begin(), whole.begin() + keep))) << keep;
  }
  EXPECT_FALSE(decode_jpeg(std::vector<std::uint8_t>{'B', 'M', 0, 0, 0, 0}));
  EXPECT_FALSE(decode_jpeg({}));
}

}  // namespace
