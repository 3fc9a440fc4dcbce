// Text operations over code page 936 bytes. Positions are 1-based byte
// positions. A byte of 0x80 or above and the byte after it form one character:
// searches and splits step over such a pair, so a match never starts on its
// second byte.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "common/text_array.h"

inline constexpr char kFullWidthSpace[] = "\xA1\xA1";  // 　

inline bool is_lead_byte(unsigned char byte) { return byte >= 0x80; }

// Position of the first occurrence of `sought` at or after `start` (values
// below 1 count as 1), or -1. `fold_case` folds ASCII letters only. An empty
// `sought` is never found.
std::int32_t text_find(const Text& text, const Text& sought, std::int32_t start = 1, bool fold_case = false);
inline bool text_contains(const Text& text, const Text& sought) { return text_find(text, sought) >= 1; }

// Cuts at every occurrence of `delimiter`: leading and adjacent delimiters give
// empty pieces, a trailing one gives none, an empty text gives no pieces. An
// empty delimiter leaves the text whole.
TextArray text_split(const Text& text, const Text& delimiter);

// Spaces are 0x20 and the full-width A1 A1, nothing else.
Text text_trim(const Text& text);
// Also drops a lead byte that ends the text without its second byte.
Text text_remove_spaces(const Text& text);

// n of 0 or less gives the empty Text; n at or above the length gives the whole text.
Text text_left(const Text& text, std::int32_t n);
Text text_right(const Text& text, std::int32_t n);

Text text_replace(const Text& text, const Text& sought, const Text& replacement, bool first_only = false,
                  bool fold_case = false);

// ASCII a-z to A-Z; double-byte characters stay unchanged.
Text text_upper(const Text& text);

Text text_concat(std::initializer_list<Text> parts);

// Byte by byte as unsigned values: negative, zero or positive.
int text_compare(const Text& left, const Text& right);

// The part of `text` between the first `left` at or after `start` and the next
// `right` after it; empty when either is missing. Case is folded unless
// `case_sensitive`. The marker "#引号" in `left` or `right` is rewritten in
// place to a double quote, so callers can name quote delimiters.
Text text_between(const Text& text, Text& left, Text& right, std::int32_t start = 1,
                  bool case_sensitive = false);
