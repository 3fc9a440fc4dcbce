// Lists of pages as people make them: in any editor, on Windows or Linux.
#include <string>
#include <string_view>

#include "cli/batch.h"

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// The length of the well-formed UTF-8 sequence at `at`, or 0.
std::size_t utf8_sequence(std::string_view text, std::size_t at) {
  const auto byte = static_cast<unsigned char>(text[at]);
  if (byte < 0x80) return 1;
  const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC2 ? 2 : 0;
  if (length == 0 || byte > 0xF4 || at + length > text.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    if ((static_cast<unsigned char>(text[at + k]) & 0xC0) != 0x80) return 0;
  }
  const auto second = static_cast<unsigned char>(text[at + 1]);
  // No overlong forms, no surrogates, nothing past U+10FFFF.
  if ((byte == 0xE0 && second < 0xA0) || (byte == 0xED && second >= 0xA0) ||
      (byte == 0xF0 && second < 0x90) || (byte == 0xF4 && second >= 0x90)) {
    return 0;
  }
  return length;
}

void append_utf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// UTF-16 after its byte-order mark; a lone surrogate (or odd last byte) as U+FFFD.
std::string utf16_to_utf8(std::string_view bytes, bool big_endian) {
  const auto unit_at = [&](std::size_t at) -> char32_t {
    const auto first = static_cast<unsigned char>(bytes[at]),
               second = static_cast<unsigned char>(bytes[at + 1]);
    return big_endian ? (first << 8 | second) : (second << 8 | first);
  };
  std::string out;
  std::size_t at = 0;
  for (; at + 1 < bytes.size(); at += 2) {
    char32_t unit = unit_at(at);
    if (unit >= 0xD800 && unit <= 0xDBFF && at + 3 < bytes.size()) {
      const char32_t low = unit_at(at + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        append_utf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        at += 2;
        continue;
      }
    }
    if (unit >= 0xD800 && unit <= 0xDFFF) unit = 0xFFFD;
    append_utf8(out, unit);
  }
  if (at < bytes.size()) append_utf8(out, 0xFFFD);
  return out;
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

bool is_utf8(std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = utf8_sequence(text, at);
    if (length == 0) return false;
    at += length;
  }
  return true;
}

std::string list_text(std::string_view bytes) {
  if (bytes.starts_with(kUtf8Mark)) return std::string(bytes.substr(kUtf8Mark.size()));
  if (bytes.starts_with("\xFF\xFE")) return utf16_to_utf8(bytes.substr(2), false);
  if (bytes.starts_with("\xFE\xFF")) return utf16_to_utf8(bytes.substr(2), true);
  return std::string(bytes);
}

void append_pages_of_list(std::string_view list, std::vector<std::string>& pages,
                          std::vector<std::size_t>& not_utf8) {
  for (std::size_t number = 1; !list.empty(); ++number) {
    const std::size_t end = list.find('\n');
    std::string_view line = list.substr(0, end);
    list = end == std::string_view::npos ? std::string_view() : list.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    while (!line.empty() && is_blank(line.front())) line.remove_prefix(1);
    while (!line.empty() && is_blank(line.back())) line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;
    if (!is_utf8(line)) {
      not_utf8.push_back(number);
      continue;
    }
    pages.emplace_back(line);
  }
}
