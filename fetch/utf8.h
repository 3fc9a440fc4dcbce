// Decoding of a fetched page: UTF-8 bytes to code page 936 text.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/text.h"

// The page body as code page 936 text. Malformed UTF-8 never fails the
// conversion, a character that code page 936 lacks becomes a look-alike or "?",
// and a NUL in the body ends the text.
Text utf8_to_local(const ByteSet& body);
// The same for UTF-8 text held as characters (headers, a stretch of a body).
inline Text utf8_to_local(std::string_view utf8) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(utf8.data());
  return utf8_to_local(ByteSet(bytes, bytes + utf8.size()));
}
