// Splits the input into a text, a sought text and a replacement, runs every text
// operation and checks the properties that must hold for any bytes.
#include <cstddef>
#include <cstdint>

#include "common/text_ops.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto [text, sought, replacement] = three_texts(data, size);

  for (bool fold : {false, true}) {
    const std::int32_t found = text_find(text, sought, 1, fold);
    check(found == -1 || (found >= 1 && found + sought.length() - 1 <= text.length()));
    if (found > 0) check(text_find(text, sought, found, fold) == found);
  }
  const TextArray pieces = text_split(text, sought);
  std::int32_t total = 0;
  for (const Text& piece : pieces) total += piece.length();
  check(total <= text.length());
  if (!sought.empty() && text_find(text, sought) == -1) check(pieces.count() == (text.empty() ? 0 : 1));

  const Text trimmed = text_trim(text);
  check(trimmed.length() <= text.length());
  check(text_trim(trimmed) == trimmed);
  const Text no_spaces = text_remove_spaces(text);
  check(text_find(no_spaces, " ") == -1);
  check(text_remove_spaces(no_spaces) == no_spaces);
  check(text_upper(text).length() == text.length());
  const Text replaced = text_replace(text, sought, replacement);
  // Nothing found, nothing changed; each replacement of the sought text by a
  // shorter one leaves the whole at least that much shorter.
  if (text_find(text, sought) == -1) {
    check(replaced == text);
  } else if (replacement.length() < sought.length()) {
    check(replaced.length() <= text.length() - (sought.length() - replacement.length()));
  }
  check(text_left(text, 3) + text_right(text, text.length() - 3) == text || text.length() < 3);
  return 0;
}
