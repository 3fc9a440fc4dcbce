// Decoding of a fetched page: UTF-8 bytes to code page 936 text.
#pragma once

#include "common/text.h"

// The page body as code page 936 text. Malformed UTF-8 never fails the
// conversion, a character that code page 936 lacks becomes a look-alike or "?",
// and a NUL in the body ends the text.
Text utf8_to_local(const ByteSet& body);
