// Any bytes as the picture box's JPEG: decoding never reads past the buffer,
// and a picture it gives has a pixel for each place of its size.
#include <cstddef>
#include <cstdint>

#include "shell/jpeg_decode.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto picture = decode_jpeg({data, size});
  if (picture)
    check(picture->width > 0 && picture->height > 0 &&
          picture->pixels.size() ==
              static_cast<std::size_t>(picture->width) * static_cast<std::size_t>(picture->height));
  return 0;
}
