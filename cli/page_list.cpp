// Lists of pages as people make them: in any editor, on Windows or Linux.
#include <optional>
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

// The whole UTF-16 units of `bytes` (all of them when `final`) as UTF-8 on
// `out`; a lone surrogate, or an odd last byte, as U+FFFD. How many bytes it used.
std::size_t utf16_to_utf8(std::string_view bytes, bool big_endian, bool final, std::string& out) {
  const auto unit_at = [&](std::size_t at) -> char32_t {
    const auto first = static_cast<unsigned char>(bytes[at]),
               second = static_cast<unsigned char>(bytes[at + 1]);
    return big_endian ? (first << 8 | second) : (second << 8 | first);
  };
  std::size_t at = 0;
  for (; at + 1 < bytes.size(); at += 2) {
    char32_t unit = unit_at(at);
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      if (at + 3 < bytes.size()) {
        const char32_t low = unit_at(at + 2);
        if (low >= 0xDC00 && low <= 0xDFFF) {
          append_utf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
          at += 2;
          continue;
        }
      } else if (!final) {
        break;  // its other half is still to come
      }
    }
    if (unit >= 0xD800 && unit <= 0xDFFF) unit = 0xFFFD;
    append_utf8(out, unit);
  }
  if (final && at < bytes.size()) {
    append_utf8(out, 0xFFFD);
    at = bytes.size();
  }
  return at;
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

bool is_utf8(std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = utf8_sequence(text, at);
    if (length == 0) return false;
    at += length;
  }
  return true;
}

}  // namespace

void ListReader::add(std::string_view bytes, ListLines& lines) {
  undecoded_ += bytes;
  if (encoding_ == Encoding::kUndecided) {
    // Too few bytes yet to tell a byte-order mark from text.
    if (undecoded_.size() < kUtf8Mark.size() &&
        (kUtf8Mark.starts_with(undecoded_) || std::string_view("\xFF\xFE").starts_with(undecoded_) ||
         std::string_view("\xFE\xFF").starts_with(undecoded_))) {
      return;
    }
    decide_encoding();
  }
  decode(false, lines);
}

void ListReader::finish(ListLines& lines) {
  if (encoding_ == Encoding::kUndecided) decide_encoding();
  decode(true, lines);
  if (!line_.empty()) end_line(lines);
}

void ListReader::decide_encoding() {
  const std::string_view start = undecoded_;
  if (start.starts_with(kUtf8Mark)) {
    encoding_ = Encoding::kUtf8;
    undecoded_.erase(0, kUtf8Mark.size());
  } else if (start.starts_with("\xFF\xFE") || start.starts_with("\xFE\xFF")) {
    encoding_ = start[0] == '\xFF' ? Encoding::kUtf16Le : Encoding::kUtf16Be;
    undecoded_.erase(0, 2);
  } else {
    encoding_ = Encoding::kUtf8;
  }
}

void ListReader::decode(bool final, ListLines& lines) {
  std::string text;
  if (encoding_ == Encoding::kUtf8) {
    text.swap(undecoded_);
  } else {
    undecoded_.erase(0, utf16_to_utf8(undecoded_, encoding_ == Encoding::kUtf16Be, final, text));
  }
  for (std::string_view rest = text; !rest.empty();) {
    const std::size_t end = rest.find('\n');
    line_.append(rest.substr(0, end));
    if (end == std::string_view::npos) break;
    end_line(lines);
    rest.remove_prefix(end + 1);
  }
}

void ListReader::end_line(ListLines& lines) {
  ++number_;
  std::string_view line = line_;
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  while (!line.empty() && is_blank(line.front())) line.remove_prefix(1);
  while (!line.empty() && is_blank(line.back())) line.remove_suffix(1);
  if (!line.empty() && line.front() != '#') {
    if (is_utf8(line)) {
      lines.pages.emplace_back(line);
    } else if (std::optional<std::string> read = fallback_ ? fallback_(line) : std::nullopt) {
      lines.pages.push_back(std::move(*read));
    } else {
      lines.not_utf8.push_back(number_);
    }
  }
  line_.clear();
}
