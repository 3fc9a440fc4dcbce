// Code page 936 text as UTF-8, for text that leaves the program (an address on
// the wire, the batch program's output).
#pragma once

#include <string>

#include "common/text.h"

// Windows' code page 936 (0x80 is the euro sign); a byte pair the code page
// does not define becomes U+FFFD.
std::string local_to_utf8(const Text& text);
