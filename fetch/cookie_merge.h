// Cookie bookkeeping of one HTTP exchange: folds the cookies a response set
// into the caller's cookie text.
#pragma once

#include "common/text.h"

// Folds `received` into `cookies`: a known name takes the new value in place, a
// new name goes to the end, pieces ending in "=deleted" leave, repeats
// collapse. Both variables are rewritten: `received` without spaces and ending
// in ";", `cookies` as the merged text, each piece followed by "; ". Returns a
// copy of the merged text.
Text cookie_merge(Text& cookies, Text& received);

// The bytes before the first "=", or empty when there is none.
Text cookie_name(const Text& piece);
// The bytes after the first "=", or empty when there is none.
Text cookie_value(const Text& piece);

// `text` cut at `delimiter`, every piece that equals an earlier one dropped,
// rebuilt with `delimiter` behind every remaining piece.
Text remove_duplicate_pieces(const Text& text, const Text& delimiter);
