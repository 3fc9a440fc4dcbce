// The picture box's own JPEG decoder. Under Wine, handing a JPEG to the
// platform loads its imaging component and that component's libraries at the
// first paint, which costs several times the decode itself; the banner is a
// plain baseline JPEG, so the program reads it here. Portable: no Windows types.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

struct DecodedPicture {
  int width = 0;
  int height = 0;
  // 0x00RRGGBB, rows top to bottom: the layout of a 32-bit top-down DIB.
  std::vector<std::uint32_t> pixels;
};

// Baseline (and extended sequential) Huffman-coded JPEG with 8-bit samples,
// one component (grey) or three (YCbCr, or RGB when an Adobe marker says so),
// sampling factors 1 to 4, restart intervals, several scans. Chroma is
// upsampled and converted as libjpeg does by default, so the pixels come
// within three levels of libjpeg's (the decoder Wine's imaging component uses). Anything else (progressive,
// arithmetic coding, 12-bit, four components, over 16 million pixels) or a
// damaged stream gives nullopt: the caller then hands the bytes to the platform.
// With `reduction` 2, 4 or 8 the picture comes at that fraction of its size
// (each side rounded up), most of the work left out: for a picture shown smaller.
std::optional<DecodedPicture> decode_jpeg(std::span<const std::uint8_t> bytes, int reduction = 1);

// The picture's own size, from the frame header of a JPEG that decode_jpeg
// would read; nullopt otherwise (the rest of the stream is not checked).
struct JpegSize {
  int width = 0;
  int height = 0;
};
std::optional<JpegSize> jpeg_size(std::span<const std::uint8_t> bytes);
