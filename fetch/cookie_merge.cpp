#include "fetch/cookie_merge.h"

#include "common/text_ops.h"

namespace {

const Text kPieceEnd = ";";
const Text kSeparator = "; ";
const Text kDeletedEnding = "=deleted";

// Spaces go everywhere, and a non-empty text ends with ";" so that splitting
// treats its last piece like every other.
void normalise(Text& text) {
  text = text_remove_spaces(text);
  if (!text.empty() && text.byte_at(text.length() - 1) != ';') text += kPieceEnd;
}

bool ends_deleted(const Text& piece) { return text_right(piece, kDeletedEnding.length()) == kDeletedEnding; }

}  // namespace

Text cookie_name(const Text& piece) {
  const std::int32_t equals = text_find(piece, "=");
  if (equals == -1) return {};
  return text_left(piece, equals - 1);
}

Text cookie_value(const Text& piece) {
  const std::int32_t equals = text_find(piece, "=");
  if (equals == -1) return {};
  return text_right(piece, piece.length() - equals);
}

Text remove_duplicate_pieces(const Text& text, const Text& delimiter) {
  const TextArray pieces = text_split(text, delimiter);
  TextArray seen;
  Text result;
  for (const Text& piece : pieces) {
    bool repeated = false;
    for (const Text& earlier : seen) {
      if (earlier == piece) {
        repeated = true;
        break;
      }
    }
    if (repeated) continue;
    seen.append(piece);
    result += piece;
    result += delimiter;
  }
  return result;
}

Text cookie_merge(Text& cookies, Text& received) {
  normalise(cookies);
  normalise(received);

  TextArray current = text_split(cookies, kPieceEnd);
  TextArray incoming = text_split(received, kPieceEnd);

  // Each present cookie takes the value of the first received piece of the
  // same name with another value; that piece is used up and leaves incoming.
  const std::int32_t current_count = current.count();
  for (std::int32_t i = 1; i <= current_count; ++i) {
    Text pending;
    const Text name = cookie_name(current[i]);
    const std::int32_t incoming_count = incoming.count();
    for (std::int32_t j = 1; j <= incoming_count; ++j) {
      if (name == cookie_name(incoming[j]) && cookie_value(current[i]) != cookie_value(incoming[j])) {
        pending = text_concat({name, "=", cookie_value(incoming[j])});
        incoming.remove(j);
        break;
      }
    }
    if (!pending.empty()) current[i] = pending;
  }

  cookies = Text();
  for (const TextArray* list : {&current, &incoming}) {
    for (const Text& piece : *list) {
      if (!ends_deleted(piece)) cookies = text_concat({cookies, piece, kSeparator});
    }
  }
  cookies = remove_duplicate_pieces(cookies, kSeparator);
  return cookies;
}
