#include "fetch/utf8_win32.h"

#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdint>

#include "common/codepage_win32.h"
#include "fetch/local_utf8.h"

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

std::wstring_view units_of(const ByteSet& wide) {
  // An odd last byte is no whole unit.
  return {reinterpret_cast<const wchar_t*>(wide.data()), wide.size() / 2};
}

bool has_nothing_to_compose(std::wstring_view units) {
  for (const wchar_t unit : units) {
    if (((kNothingToCompose[unit >> 3] >> (unit & 7)) & 1u) == 0) return false;
  }
  return true;
}

// Text ends at the first NUL, as reading the converted bytes as text does.
Text units_to_local(std::wstring_view units, DWORD flags) {
  return Text(from_wide(kCodePage936, flags, units));
}

Text units_to_local(std::wstring_view units) {
  // Composing only changes a base followed by a mark; without any, the plain
  // conversion gives the same bytes at a fraction of the cost.
  return units_to_local(units, has_nothing_to_compose(units) ? 0 : WC_COMPOSITECHECK);
}

// No MB_ERR_INVALID_CHARS: malformed bytes are substituted, never fatal.
std::wstring utf8_units(const ByteSet& bytes) {
  return to_wide(kUtf8CodePage, 0,
                 std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace

ByteSet utf8_to_utf16(const ByteSet& bytes) {
  const std::wstring wide = utf8_units(bytes);
  const auto* first = reinterpret_cast<const std::uint8_t*>(wide.data());
  return ByteSet(first, first + wide.size() * sizeof(wchar_t));
}

bool utf16_has_nothing_to_compose(const ByteSet& wide) { return has_nothing_to_compose(units_of(wide)); }

Text utf16_to_local_composing(const ByteSet& wide) {
  return units_to_local(units_of(wide), WC_COMPOSITECHECK);
}

Text utf16_to_local(const ByteSet& wide) { return units_to_local(units_of(wide)); }

// The UTF-16 step stays in one buffer: no copy into a ByteSet on the way.
Text utf8_to_local(const ByteSet& body) { return units_to_local(utf8_units(body)); }

std::string local_to_utf8(const Text& text) { return from_wide(CP_UTF8, 0, gbk_to_wide(text)); }
