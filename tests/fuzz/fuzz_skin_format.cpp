// Any bytes as a skin: decoding never reads outside the buffer (ASan watches),
// what it accepts stays inside the engine's limits, and an accepted skin
// written out again is a fixed point: it decodes to the same skin and writes
// the same bytes, and no strict prefix of those bytes is accepted.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "skin_engine/skin_format.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const skin::Decoded decoded = skin::decode(data, size);
  if (decoded.status != skin::Status::kApplied) return 0;

  const skin::Skin& skin = decoded.skin;
  for (const auto& [name, colour] : skin.colours)
    check(std::find(skin::kColourNames.begin(), skin::kColourNames.end(), name) != skin::kColourNames.end());
  if (skin.font) {
    check(skin.font->height >= -skin::kMaxFontHeight && skin.font->height <= skin::kMaxFontHeight);
    check(skin.font->weight >= 0 && skin.font->weight <= skin::kMaxFontWeight);
    check(skin.font->face.size() <= skin::kMaxFaceBytes && skin.font->face.find('\0') == std::string::npos);
  }

  const std::vector<std::uint8_t> written = skin::encode(skin);
  const skin::Decoded again = skin::decode(written.data(), written.size());
  check(again.status == skin::Status::kApplied && again.skin == skin);
  check(skin::encode(again.skin) == written);

  // A cut copy, on the heap at its exact size so an overread is caught.
  const std::size_t cut = size % written.size();
  const std::vector<std::uint8_t> prefix(written.begin(), written.begin() + static_cast<std::ptrdiff_t>(cut));
  check(skin::decode(prefix.data(), prefix.size()).status != skin::Status::kApplied);
  return 0;
}
