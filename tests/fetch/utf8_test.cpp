// The page decoding: the same table on Windows (kernel32, under Wine here) and
// on Linux (ICU); the UTF-16 steps are Windows' own.
#include "fetch/utf8.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "common/byte_writer.h"

#ifdef _WIN32
#include "fetch/utf8_win32.h"
#endif

namespace {

ByteSet bytes(std::string_view text) { return ByteSet(text.begin(), text.end()); }

#ifdef _WIN32
ByteSet units(std::initializer_list<char16_t> list) {
  ByteWriter out;
  for (const char16_t unit : list) out.u16(unit);
  return std::move(out.out());
}
#endif

// 地址 in UTF-8 (E5 9C B0, E5 9D 80) and in code page 936 (B5 D8, D6 B7).
constexpr std::string_view kAddressUtf8 = "\xE5\x9C\xB0\xE5\x9D\x80";
const Text kAddressLocal = "\xB5\xD8\xD6\xB7";

// The code page 936 bytes Windows gives. Left out, as they can differ (see
// fetch/utf8_icu.cpp): malformed sequences cut short by the end of the body, and
// overlong or surrogate forms (E0 80.., ED A0.., F0 8F.., F4 90..), where Wine
// counts one "?" fewer than Unicode's recommended practice.
TEST(Utf8ToLocal, KnownTextTable) {
  std::string ascii;
  for (int c = 1; c < 0x80; ++c) ascii += static_cast<char>(c);
  const std::vector<std::pair<std::string, Text>> cases = {
      {"", ""},
      {ascii, Text(ascii)},
      {std::string(kAddressUtf8), kAddressLocal},
      // 获取失败！ including the full-width exclamation mark.
      {"\xE8\x8E\xB7\xE5\x8F\x96\xE5\xA4\xB1\xE8\xB4\xA5\xEF\xBC\x81",
       "\xBB\xF1\xC8\xA1\xCA\xA7\xB0\xDC\xA3\xA1"},
      {"flash" + std::string(kAddressUtf8) + "(.*?)", "flash\xB5\xD8\xD6\xB7(.*?)"},
      // The euro sign is the single byte 0x80; “ ” and 《 》 are double-byte.
      {"\xE2\x82\xAC", "\x80"},
      {"\xE2\x80\x9C\xE3\x80\x8A\xE3\x80\x8B\xE2\x80\x9D", "\xA1\xB0\xA1\xB6\xA1\xB7\xA1\xB1"},
      // An identifier with Chinese and the euro sign: sid/视频€1/v.swf
      {"sid/\xE8\xA7\x86\xE9\xA2\x91\xE2\x82\xAC\x31/v.swf", "sid/\xCA\xD3\xC6\xB5\x80\x31/v.swf"},
      // Base and mark compose where code page 936 holds the result: e + acute
      // (é), か + voicing mark (が), Cyrillic е + diaeresis (ё), A + grave (À,
      // held only as the look-alike à). A second mark stays apart.
      {"e\xCC\x81", "\xA8\xA6"},
      {"\xE3\x81\x8B\xE3\x82\x99", "\xA4\xAC"},
      {"\xD0\xB5\xCC\x88", "\xA7\xD7"},
      {"A\xCC\x80", "\xA8\xA4"},
      {"e\xCC\x82\xCC\x81", "\xA8\xBA?"},
      // No precomposed form in code page 936: both stay, the mark as "?".
      {"q\xCC\x81", "q?"},
      {"a\xC0\xAF"
       "e\xCC\x81\xE2\x82\xAC",
       "a??\xA8\xA6\x80"},
      // Characters 936 lacks: À as its look-alike à, ☺ and the half-width arrow
      // as "?", an emoji (two UTF-16 units) as "??".
      {"x\xC3\x80", "x\xA8\xA4"},
      {"x\xE2\x98\xBA", "x?"},
      {"x\xEF\xBF\xA9", "x?"},
      {"x\xF0\x9F\x98\x80y", "x??y"},
      // Malformed UTF-8: a stray continuation byte, an invalid byte, an overlong
      // form, a sequence cut short inside the body: one "?" each maximal part.
      {"a\x80"
       "b",
       "a?b"},
      {"a\xFF"
       "b",
       "a?b"},
      {"a\xC0\xAF"
       "b",
       "a??b"},
      {"a\xE5\x9C"
       "c",
       "a?c"},
      {"a\xF0\x9F\x98"
       "b\xE5\x9D\x80",
       "a?b\xD6\xB7"},
      // A NUL in the body ends the text, inside a cut sequence too.
      {std::string("ab\0cd", 5), "ab"},
      {std::string("\0c", 2), ""},
      {std::string("a\xE5\x9C\0\xE5\x9D\x80", 7), "a?"},
  };
  for (const auto& [utf8, local] : cases) {
    EXPECT_EQ(utf8_to_local(bytes(utf8)).bytes(), local.bytes()) << ::testing::PrintToString(utf8);
  }
  // A base and its mark on either side of wherever a long page may be cut up.
  for (std::size_t before = 16370; before < 16400; ++before) {
    const std::string padding(before, 'x');
    const Text got = utf8_to_local(bytes(padding + "e\xCC\x81"));
    EXPECT_EQ(got.view().substr(std::min(before, got.view().size())), "\xA8\xA6") << before;
    EXPECT_EQ(got.view().find_first_not_of('x'), before) << before;
  }
}

#ifdef _WIN32
TEST(Utf8ToLocal, EmptyAndNulInUtf16) {
  EXPECT_TRUE(utf8_to_utf16(ByteSet()).empty());
  EXPECT_EQ(utf16_to_local(ByteSet()), Text());
  // The UTF-16 step keeps everything; only reading the result as text stops.
  EXPECT_EQ(utf8_to_utf16(ByteSet{'a', 0, 'c'}), units({u'a', 0, u'c'}));
}

TEST(Utf8ToLocal, UnitsAreLittleEndianWithoutTerminator) {
  EXPECT_EQ(utf8_to_utf16(bytes(std::string("A") + std::string(kAddressUtf8))),
            units({u'A', 0x5730, 0x5740}));
}
#endif

TEST(Utf8ToLocal, MissingCharacterBecomesLookAlikeOrQuestionMarkAndTheRestConverts) {
  struct Case {
    const char* name;
    std::string utf8;
    std::vector<Text> allowed;  // what may stand in for the missing character
  };
  const std::vector<Case> cases = {
      // U+00C0 (capital A with grave) is not in code page 936. Wine maps it to the
      // pinyin small letter (A8 A4); Windows' best-fit table may give "A".
      {"Latin capital with accent", "\xC3\x80", {"A", "?", "\xA8\xA4"}},
      // U+263A (white smiling face) has no code page 936 form.
      {"symbol", "\xE2\x98\xBA", {"?"}},
      // U+1F600, a surrogate pair: one or two stand-ins.
      {"outside the BMP", "\xF0\x9F\x98\x80", {"?", "??"}},
  };
  for (const auto& c : cases) {
    const Text got = utf8_to_local(bytes("x" + c.utf8 + std::string(kAddressUtf8)));
    ASSERT_GE(got.length(), 6) << c.name;
    EXPECT_EQ(got.view().substr(0, 1), "x") << c.name;
    EXPECT_EQ(Text(got.view().substr(static_cast<std::size_t>(got.length() - 4))), kAddressLocal) << c.name;
    const Text middle(got.view().substr(1, static_cast<std::size_t>(got.length() - 5)));
    bool allowed = false;
    for (const Text& a : c.allowed) allowed = allowed || middle == a;
    EXPECT_TRUE(allowed) << c.name << ": " << ::testing::PrintToString(middle.bytes());
  }
}

TEST(Utf8ToLocal, MalformedUtf8DoesNotStopTheConversion) {
  // A stray continuation byte, a truncated sequence, an overlong form, an invalid byte.
  const std::string body =
      std::string("a\x80") + "b\xE5\x9C" + "c\xC0\xAF" + "d\xFF" + std::string(kAddressUtf8);
  const Text got = utf8_to_local(bytes(body));
  ASSERT_GE(got.length(), 8);
  EXPECT_EQ(got.view().substr(0, 1), "a");
  EXPECT_NE(got.view().find('b'), std::string_view::npos);
  EXPECT_NE(got.view().find('c'), std::string_view::npos);
  EXPECT_NE(got.view().find('d'), std::string_view::npos);
  EXPECT_EQ(Text(got.view().substr(static_cast<std::size_t>(got.length() - 4))), kAddressLocal);
}

#ifdef _WIN32
TEST(Utf16ToLocal, OddLengthIgnoresLastByte) {
  ByteSet wide = units({0x5730, 0x5740});
  wide.push_back(0x41);
  EXPECT_EQ(utf16_to_local(wide), kAddressLocal);
  EXPECT_EQ(utf16_to_local(ByteSet{0x41}), Text());
}

TEST(Utf16ToLocal, ComposesBaseAndCombiningMark) {
  // e + U+0301 composes to U+00E9, which code page 936 holds as A8 A6 (pinyin).
  EXPECT_EQ(utf16_to_local(units({u'e', 0x0301})), Text("\xA8\xA6"));
  EXPECT_EQ(utf16_to_local(units({u'e', 0x0301})), utf16_to_local_composing(units({u'e', 0x0301})));
  EXPECT_FALSE(utf16_has_nothing_to_compose(units({u'e', 0x0301})));
}

// Every unit but NUL (which would end the text) that the composing pass may be
// skipped for, found through the routine itself.
std::vector<char16_t> units_with_nothing_to_compose() {
  std::vector<char16_t> found;
  for (std::uint32_t unit = 1; unit <= 0xFFFF; ++unit) {
    if (utf16_has_nothing_to_compose(units({static_cast<char16_t>(unit)})))
      found.push_back(static_cast<char16_t>(unit));
  }
  return found;
}

TEST(Utf16ToLocal, SkippingTheComposingPassChangesNothing) {
  const std::vector<char16_t> safe = units_with_nothing_to_compose();
  // Ordinary Chinese page text must take the fast path, or the skip is useless.
  EXPECT_TRUE(
      utf16_has_nothing_to_compose(units({u'<', u'a', 0x5730, 0x5740, 0x3002, 0xFF01, 0x201C, 0x00B7})));
  // The set, pinned from outside the routine: printable ASCII, the CJK
  // ideographs and the full-width forms are in it; the combining diacritical
  // marks and the kana voicing marks are not.
  for (const auto& [first, last, expected] :
       {std::tuple{u' ', u'~', true}, std::tuple{u'\x4E00', u'\x9FA5', true},
        std::tuple{u'\xFF01', u'\xFF5E', true}, std::tuple{u'\x0300', u'\x036F', false},
        std::tuple{u'\x3099', u'\x309A', false}}) {
    for (char16_t unit = first; unit <= last; ++unit)
      ASSERT_EQ(std::binary_search(safe.begin(), safe.end(), unit), expected) << std::hex << int{unit};
  }
  // Each such unit after its neighbour and after bases that marks compose with.
  const std::vector<char16_t> bases = {u'a',   u'e',   u'A',   u'O',   u'u',   u'n',   u'<',
                                       0x03B1, 0x0438, 0x304B, 0x30AB, 0x3046, 0x4E00, 0xFF21};
  for (const char16_t base : bases) {
    ByteWriter writer;
    for (const char16_t unit : safe) {
      writer.u16(base);
      writer.u16(unit);
    }
    const ByteSet& wide = writer.out();
    ASSERT_TRUE(utf16_has_nothing_to_compose(wide));
    EXPECT_EQ(utf16_to_local(wide), utf16_to_local_composing(wide)) << "base U+" << std::hex << int{base};
  }
  ByteWriter in_order_writer;
  for (const char16_t unit : safe) in_order_writer.u16(unit);
  const ByteSet& in_order = in_order_writer.out();
  EXPECT_EQ(utf16_to_local(in_order), utf16_to_local_composing(in_order));
}

TEST(Utf16ToLocal, PagesWithAndWithoutCombiningMarksConvertAlike) {
  // Chinese, ASCII and punctuation, then marks that compose (grave, acute, tilde,
  // kana voicing) and some that do not.
  const std::vector<char16_t> text_units = {u'a',   u'e',   u'o',   u'n',   u' ',   u'"',   u'>',
                                            0x5730, 0x5740, 0x304B, 0x30AB, 0x3002, 0xFF0C, 0x00E9};
  const std::vector<char16_t> marks = {0x0300, 0x0301, 0x0303, 0x0308, 0x3099,
                                       0x309A, 0x20D7, 0x1100, 0x1161};
  std::mt19937 random(65001);
  for (int page = 0; page < 200; ++page) {
    const bool with_marks = page % 2 == 1;
    ByteWriter writer;
    for (int i = 0; i < 400; ++i) {
      const bool mark = with_marks && random() % 5 == 0;
      writer.u16(mark ? marks[random() % marks.size()] : text_units[random() % text_units.size()]);
    }
    const ByteSet& wide = writer.out();
    ASSERT_EQ(utf16_has_nothing_to_compose(wide), !with_marks);
    EXPECT_EQ(utf16_to_local(wide), utf16_to_local_composing(wide)) << "page " << page;
  }
}
#endif

}  // namespace
