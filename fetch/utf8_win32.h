// Decoding of a fetched page: UTF-8 bytes to code page 936 text, through UTF-16.
#pragma once

#include "common/text.h"

// The page body as code page 936 text. Malformed UTF-8 never fails the
// conversion, a character that code page 936 lacks becomes a look-alike or "?",
// and a NUL in the body ends the text.
Text utf8_to_local(const ByteSet& body);

// UTF-8 to UTF-16 little-endian units, without a terminator.
ByteSet utf8_to_utf16(const ByteSet& bytes);

// UTF-16 units (an odd last byte is ignored) to code page 936, composing a base
// character and a following combining mark where a precomposed form exists.
Text utf16_to_local(const ByteSet& wide);

// The same conversion with the composing step always asked of the platform,
// even for text that cannot compose. utf16_to_local must equal it on every input.
Text utf16_to_local_composing(const ByteSet& wide);

// True when no unit of `wide` can take part in composition, so asking the
// platform to compose would change nothing.
bool utf16_has_nothing_to_compose(const ByteSet& wide);
