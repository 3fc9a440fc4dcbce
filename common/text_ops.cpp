#include "common/text_ops.h"

#include <algorithm>
#include <string>

namespace {

const Text kQuoteMarker = "#\xD2\xFD\xBA\xC5";  // #引号

unsigned char fold(unsigned char byte) { return (byte >= 'a' && byte <= 'z') ? byte - ('a' - 'A') : byte; }

// Whether `sought` stands at byte offset `at` of `text`. When folding, only the
// single-byte characters of `sought` are folded: a trail byte that happens to
// look like a letter belongs to a double-byte character and compares exactly.
bool matches_at(std::string_view text, std::string_view sought, std::size_t at, bool fold_case) {
  if (text.size() - at < sought.size()) return false;
  for (std::size_t j = 0; j < sought.size(); ++j) {
    const auto s = static_cast<unsigned char>(sought[j]);
    const auto t = static_cast<unsigned char>(text[at + j]);
    if (is_lead_byte(s) && j + 1 < sought.size()) {
      if (s != t || sought[j + 1] != text[at + j + 1]) return false;
      ++j;
      continue;
    }
    if (fold_case ? fold(s) != fold(t) : s != t) return false;
  }
  return true;
}

std::size_t char_width(std::string_view text, std::size_t at) {
  return (is_lead_byte(static_cast<unsigned char>(text[at])) && at + 1 < text.size()) ? 2 : 1;
}

// Byte offset of the first occurrence at or after `from`, stepping by characters.
std::size_t find_from(std::string_view text, std::string_view sought, std::size_t from, bool fold_case) {
  if (sought.empty()) return std::string_view::npos;
  for (std::size_t at = from; at < text.size(); at += char_width(text, at)) {
    if (matches_at(text, sought, at, fold_case)) return at;
  }
  return std::string_view::npos;
}

bool is_space_at(std::string_view text, std::size_t at) {
  return text[at] == ' ' || text.substr(at, 2) == kFullWidthSpace;
}

}  // namespace

std::int32_t text_find(const Text& text, const Text& sought, std::int32_t start, bool fold_case) {
  const std::size_t from = start < 1 ? 0 : static_cast<std::size_t>(start - 1);
  const std::size_t at = find_from(text.view(), sought.view(), from, fold_case);
  return at == std::string_view::npos ? -1 : static_cast<std::int32_t>(at + 1);
}

TextArray text_split(const Text& text, const Text& delimiter) {
  TextArray pieces;
  const std::string_view all = text.view();
  if (all.empty()) return pieces;
  if (delimiter.empty()) {
    pieces.append(text);
    return pieces;
  }
  std::size_t piece_start = 0;
  for (;;) {
    const std::size_t at = find_from(all, delimiter.view(), piece_start, false);
    if (at == std::string_view::npos) break;
    pieces.append(Text(all.substr(piece_start, at - piece_start)));
    piece_start = at + delimiter.view().size();
  }
  if (piece_start < all.size()) pieces.append(Text(all.substr(piece_start)));
  return pieces;
}

Text text_trim(const Text& text) {
  const std::string_view all = text.view();
  // Walk by characters so a trailing A1 A1 is recognised only where it is a
  // whole character, never as the trail byte of one and the lead of the next.
  std::size_t first = all.size();
  std::size_t end = 0;
  for (std::size_t at = 0; at < all.size();) {
    const std::size_t width = char_width(all, at);
    if (!is_space_at(all, at)) {
      if (first == all.size()) first = at;
      end = at + width;
    }
    at += width;
  }
  return first == all.size() ? Text() : Text(all.substr(first, end - first));
}

Text text_remove_spaces(const Text& text) {
  const std::string_view all = text.view();
  std::string kept;
  kept.reserve(all.size());
  for (std::size_t at = 0; at < all.size();) {
    const auto byte = static_cast<unsigned char>(all[at]);
    if (is_lead_byte(byte)) {
      if (at + 1 >= all.size()) break;  // a lone lead byte at the end
      if (!is_space_at(all, at)) kept.append(all.substr(at, 2));
      at += 2;
    } else {
      if (byte != ' ') kept.push_back(static_cast<char>(byte));
      ++at;
    }
  }
  return Text(kept);
}

Text text_left(const Text& text, std::int32_t n) {
  if (n <= 0) return {};
  return Text(text.view().substr(0, static_cast<std::size_t>(n)));
}

Text text_right(const Text& text, std::int32_t n) {
  if (n <= 0) return {};
  if (n >= text.length()) return text;
  return Text(text.view().substr(static_cast<std::size_t>(text.length() - n)));
}

Text text_replace(const Text& text, const Text& sought, const Text& replacement, bool first_only,
                  bool fold_case) {
  const std::string_view all = text.view();
  if (sought.empty()) return text;
  std::string result;
  std::size_t copied = 0;
  for (std::size_t at = find_from(all, sought.view(), 0, fold_case); at != std::string_view::npos;
       at = find_from(all, sought.view(), copied, fold_case)) {
    result.append(all.substr(copied, at - copied));
    result.append(replacement.view());
    copied = at + sought.view().size();
    if (first_only) break;
  }
  result.append(all.substr(copied));
  return Text(result);
}

Text text_upper(const Text& text) {
  std::string upper(text.view());
  for (std::size_t at = 0; at < upper.size(); at += char_width(upper, at)) {
    upper[at] = static_cast<char>(fold(static_cast<unsigned char>(upper[at])));
  }
  return Text(upper);
}

Text text_concat(std::initializer_list<Text> parts) {
  std::string joined;
  for (const Text& part : parts) joined.append(part.view());
  return Text(joined);
}

int text_compare(const Text& left, const Text& right) {
  const int order = left.bytes().compare(right.bytes());
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

Text text_between(const Text& text, Text& left, Text& right, std::int32_t start, bool case_sensitive) {
  if (text_contains(left, kQuoteMarker)) left = text_replace(left, kQuoteMarker, "\"");
  if (text_contains(right, kQuoteMarker)) right = text_replace(right, kQuoteMarker, "\"");

  const bool fold_case = !case_sensitive;
  const std::int32_t left_at = text_find(text, left, start, fold_case);
  if (left_at == -1) return {};
  const Text rest = text_right(text, text.length() - left_at - left.length() + 1);
  const std::int32_t right_at = text_find(rest, right, start, fold_case);
  if (right_at == -1) return {};
  return text_left(rest, right_at - 1);
}
