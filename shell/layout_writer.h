// Writing a window layout block: the build writes the program's block with it
// (main_window_block.cpp), and the tests and fuzzers build theirs; the program
// itself only reads blocks, so it does not link this.
#pragma once

#include <cstdint>

#include "common/text.h"
#include "shell/layout_block.h"

namespace layout {

ByteSet encode_window_layout(const WindowLayout& layout);

// The 60-byte LOGFONTA image of a font (charset and the rest as given).
ByteSet font_field(std::int32_t height, std::int32_t weight, bool underline, std::uint8_t char_set,
                   std::uint8_t quality, const Text& face_name);

}  // namespace layout
