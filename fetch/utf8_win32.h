// The Windows steps of the page decoding (fetch/utf8.h): UTF-8 to UTF-16 to code page 936.
#pragma once

#include "common/text.h"
#include "fetch/utf8.h"

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
