// Any bytes as a layout block: decoding never reads past the buffer, and what
// decodes re-encodes to a block that decodes to the same layout.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "shell/display_rules.h"
#include "shell/layout_block.h"
#include "shell/layout_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto decoded = layout::decode_window_layout(data, size);
  if (!decoded) return 0;
  const ByteSet again = layout::encode_window_layout(*decoded);
  const auto redecoded = layout::decode_window_layout(again);
  if (!redecoded || !(*redecoded == *decoded)) std::abort();
  for (const auto& unit : decoded->units) {
    if (const auto* link = std::get_if<layout::HyperLinkerData>(&unit.data))
      layout::font_from_field(link->font);
  }
  return 0;
}
