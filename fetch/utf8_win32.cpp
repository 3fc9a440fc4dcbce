#include "fetch/utf8_win32.h"

#include <windows.h>

#include <array>
#include <climits>
#include <cstddef>
#include <cstdint>

#include "common/codepage_win32.h"

namespace {

constexpr UINT kUtf8CodePage = 65001;

// Units of these ranges are neither combining marks nor conjoining jamo, nor the
// second half of any composition pair, so text made only of them composes to
// itself. Everything else (marks, Indic vowel signs, jamo, surrogates, the kana
// voicing marks, unassigned blocks) keeps the composing call.
struct UnitRange {
  std::uint16_t first;
  std::uint16_t last;
};
constexpr UnitRange kNothingToComposeRanges[] = {
    {0x0000, 0x02FF},  // ASCII, Latin, IPA, spacing modifier letters
    {0x0370, 0x0482},  // Greek, Cyrillic letters
    {0x048A, 0x052F},  // Cyrillic letters
    {0x2000, 0x20CF},  // punctuation, super/subscripts, currency
    {0x2100, 0x2BFF},  // letterlike, arrows, maths, box drawing, shapes, symbols
    {0x3000, 0x3029},  // CJK punctuation (3025..302F holds tone marks)
    {0x3030, 0x3098},  // hiragana (3099/309A are voicing marks)
    {0x309B, 0x30FF},  // spacing voicing marks, katakana
    {0x3100, 0x312F},  // bopomofo
    {0x3190, 0x4DBF},  // kanbun, strokes, enclosed and compatibility CJK, extension A
    {0x4DC0, 0x9FFF},  // hexagrams, CJK unified ideographs
    {0xE000, 0xF8FF},  // private use (code page 936 maps some of it)
    {0xFE30, 0xFE6F},  // CJK compatibility and small forms
    {0xFF00, 0xFF9D},  // full-width forms, half-width katakana
    {0xFFE0, 0xFFEF},  // full-width signs
};

constexpr std::array<std::uint8_t, 0x10000 / 8> make_nothing_to_compose_table() {
  std::array<std::uint8_t, 0x10000 / 8> table{};
  for (const auto& range : kNothingToComposeRanges) {
    for (std::uint32_t unit = range.first; unit <= range.last; ++unit) {
      table[unit >> 3] = static_cast<std::uint8_t>(table[unit >> 3] | (1u << (unit & 7)));
    }
  }
  return table;
}

const std::array<std::uint8_t, 0x10000 / 8> kNothingToCompose = make_nothing_to_compose_table();

std::size_t unit_count(const ByteSet& wide) { return wide.size() / 2; }

// Sizes the output with a query, converts into a zero-filled buffer of exactly
// that size, then reads it up to its first NUL.
Text wide_bytes_to_local(const ByteSet& wide, DWORD flags) {
  const std::size_t units = unit_count(wide);
  if (units > static_cast<std::size_t>(INT_MAX)) return {};
  const auto* data = reinterpret_cast<const wchar_t*>(wide.data());
  const int n = static_cast<int>(units);
  const int m = WideCharToMultiByte(kLocalCodePage, flags, data, n, nullptr, 0, nullptr, nullptr);
  if (m <= 0) return {};
  ByteSet local(static_cast<std::size_t>(m), 0);
  WideCharToMultiByte(kLocalCodePage, flags, data, n, reinterpret_cast<char*>(local.data()), m, nullptr,
                      nullptr);
  return text_of(local);
}

}  // namespace

ByteSet utf8_to_utf16(const ByteSet& bytes) {
  // The platform takes an int length; a body beyond it cannot be converted.
  if (bytes.size() > static_cast<std::size_t>(INT_MAX)) return {};
  const auto* data = reinterpret_cast<const char*>(bytes.data());
  const int len = static_cast<int>(bytes.size());
  // No MB_ERR_INVALID_CHARS: malformed bytes are substituted, never fatal.
  const int n = MultiByteToWideChar(kUtf8CodePage, 0, data, len, nullptr, 0);
  if (n <= 0) return {};
  ByteSet wide(static_cast<std::size_t>(n) * 2, 0);
  MultiByteToWideChar(kUtf8CodePage, 0, data, len, reinterpret_cast<wchar_t*>(wide.data()), n);
  return wide;
}

bool utf16_has_nothing_to_compose(const ByteSet& wide) {
  const std::uint8_t* bytes = wide.data();
  const std::size_t units = unit_count(wide);
  for (std::size_t i = 0; i < units; ++i) {
    const unsigned unit = bytes[2 * i] | (static_cast<unsigned>(bytes[2 * i + 1]) << 8);
    if (((kNothingToCompose[unit >> 3] >> (unit & 7)) & 1u) == 0) return false;
  }
  return true;
}

Text utf16_to_local_composing(const ByteSet& wide) { return wide_bytes_to_local(wide, WC_COMPOSITECHECK); }

Text utf16_to_local(const ByteSet& wide) {
  // Composing only changes a base followed by a mark; without any, the plain
  // conversion gives the same bytes at a fraction of the cost.
  if (utf16_has_nothing_to_compose(wide)) return wide_bytes_to_local(wide, 0);
  return wide_bytes_to_local(wide, WC_COMPOSITECHECK);
}

Text utf8_to_local(const ByteSet& body) {
  const ByteSet wide = utf8_to_utf16(body);
  return utf16_to_local(wide);
}
