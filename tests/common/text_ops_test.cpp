#include "common/text_ops.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// 地 is B5 D8; 啊 is B0 A1; 　 (full-width space) is A1 A1; 丂 is 81 40 ('@' as trail);
// 亐 is 81 61 ('a' as trail); 亙 is 81 41 ('A' as trail).
const Text kDi = "\xB5\xD8";
const Text kSpaceWide = "\xA1\xA1";

struct FindCase {
  const char* name;
  Text text;
  Text sought;
  std::int32_t start;
  bool fold;
  std::int32_t expected;
};

TEST(TextFind, Table) {
  const std::vector<FindCase> cases = {
      {"plain", "abcabc", "bc", 1, false, 2},
      {"from start", "abcabc", "bc", 3, false, 5},
      {"start below one counts as one", "abcabc", "ab", -4, false, 1},
      {"start past end", "abc", "c", 9, false, -1},
      {"absent", "abc", "x", 1, false, -1},
      {"empty sought", "abc", "", 1, false, -1},
      {"empty text", "", "a", 1, false, -1},
      {"exact case", "ABC", "b", 1, false, -1},
      {"folded case", "ABC", "b", 1, true, 2},
      {"folded both ways", "abc", "BC", 1, true, 2},
      {"trail byte is not a match start",
       "\x81"
       "a",
       "a", 1, false, -1},
      {"trail byte folded is not a match start",
       "\x81"
       "a",
       "A", 1, true, -1},
      {"after a double-byte char",
       "\x81"
       "aa",
       "a", 1, false, 3},
      {"trail byte @ skipped", "\x81@@", "@", 1, false, 3},
      {"double-byte sought", "x\xB5\xD8y", kDi, 1, false, 2},
      {"double-byte not folded",
       "\x81"
       "A",
       "\x81"
       "a",
       1, true, -1},
      {"double-byte inside pair boundary", "\xB0\xA1\xA1\xA1", kSpaceWide, 1, false, 3},
      {"sought longer than text", "ab", "abc", 1, false, -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(text_find(c.text, c.sought, c.start, c.fold), c.expected) << c.name;
  }
}

std::vector<std::string> pieces(const TextArray& array) {
  std::vector<std::string> out;
  for (const Text& piece : array) out.push_back(piece.bytes());
  return out;
}

TEST(TextSplit, Table) {
  using V = std::vector<std::string>;
  struct Case {
    Text text;
    Text delimiter;
    V expected;
  };
  const std::vector<Case> cases = {
      {"a;b;c", ";", V{"a", "b", "c"}},
      {";a", ";", V{"", "a"}},
      {"a;;b", ";", V{"a", "", "b"}},
      {"a;", ";", V{"a"}},
      {"a;;", ";", V{"a", ""}},
      {";", ";", V{""}},
      {"", ";", V{}},
      {"abc", ";", V{"abc"}},
      {"a\r\nb\r\n", "\r\n", V{"a", "b"}},
      {"abc", "", V{"abc"}},
      // ";" never splits a double-byte character whose trail byte is 0x3B.
      {"\x81;x;y", ";", V{"\x81;x", "y"}},
      {"x; y; ", "; ", V{"x", "y"}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(pieces(text_split(c.text, c.delimiter)), c.expected) << c.text.bytes();
}

TEST(TextSpaces, TrimAndRemove) {
  struct Case {
    Text text;
    Text trimmed;
    Text removed;
  };
  const std::vector<Case> cases = {
      {"  a b  ", "a b", "ab"},
      {"\xA1\xA1"
       "a\xA1\xA1"
       "b\xA1\xA1",
       "a\xA1\xA1"
       "b",
       "ab"},
      {"\ta \r\n", "\ta \r\n", "\ta\r\n"},
      {"   ", "", ""},
      {"", "", ""},
      // B0 A1 A1 A1 is 啊 followed by a full-width space: only the second pair is a space.
      {"\xB0\xA1\xA1\xA1", "\xB0\xA1", "\xB0\xA1"},
      // A1 A1 split across two characters is not a space.
      {"\xB0\xA1\xA1", "\xB0\xA1\xA1", "\xB0\xA1"},
      {"a \x81", "a \x81", "a"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(text_trim(c.text), c.trimmed) << c.text.bytes();
    EXPECT_EQ(text_remove_spaces(c.text), c.removed) << c.text.bytes();
  }
}

TEST(TextLeftRight, Bounds) {
  const Text abc = "abc";
  EXPECT_EQ(text_left(abc, 0), "");
  EXPECT_EQ(text_left(abc, -3), "");
  EXPECT_EQ(text_left(abc, 2), "ab");
  EXPECT_EQ(text_left(abc, 3), "abc");
  EXPECT_EQ(text_left(abc, 99), "abc");
  EXPECT_EQ(text_right(abc, 0), "");
  EXPECT_EQ(text_right(abc, -1), "");
  EXPECT_EQ(text_right(abc, 2), "bc");
  EXPECT_EQ(text_right(abc, 99), "abc");
}

TEST(TextReplace, Table) {
  struct Case {
    Text text, sought, replacement;
    bool first_only, fold;
    Text expected;
  };
  const std::vector<Case> cases = {
      {"a#b#c", "#", "\"", false, false, "a\"b\"c"},
      {"a#b#c", "#", "", true, false, "ab#c"},
      {"aXbxc", "x", "-", false, true, "a-b-c"},
      {"aXbxc", "x", "-", false, false, "aXb-c"},
      {"\x81"
       "aa",
       "a", "b", false, false,
       "\x81"
       "ab"},
      {"abc", "", "z", false, false, "abc"},
      {"aaa", "aa", "b", false, false, "ba"},
      {"#\xD2\xFD\xBA\xC5#\xD2\xFD\xBA\xC5", "#\xD2\xFD\xBA\xC5", "\"", false, false, "\"\""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(text_replace(c.text, c.sought, c.replacement, c.first_only, c.fold), c.expected)
        << c.text.bytes();
  }
}

TEST(TextUpper, AsciiOnly) {
  EXPECT_EQ(text_upper("post"), "POST");
  EXPECT_EQ(text_upper("Get-1z"), "GET-1Z");
  // The trail byte 0x61 ('a') of 亐 stays as it is.
  EXPECT_EQ(text_upper("\x81"
                       "ab"),
            "\x81"
            "aB");
  EXPECT_EQ(text_upper(""), "");
}

TEST(TextConcatCompare, Basics) {
  EXPECT_EQ(text_concat({"a", "", "bc", ""}), "abc");
  EXPECT_EQ(text_concat({}), "");
  EXPECT_LT(text_compare("a", "b"), 0);
  EXPECT_GT(text_compare("\xB0", "a"), 0) << "bytes compare unsigned";
  EXPECT_EQ(text_compare("", Text()), 0);
  EXPECT_NE(text_compare("A", "a"), 0);
  EXPECT_LT(Text("ab"), Text("abc"));
}

struct BetweenCase {
  const char* name;
  Text text;
  Text left;
  Text right;
  std::int32_t start;
  bool case_sensitive;
  Text expected;
};

TEST(TextBetween, Table) {
  const Text quote_marker = "#\xD2\xFD\xBA\xC5";  // #引号
  const std::vector<BetweenCase> cases = {
      {"quote marker", "a\"b\"c", quote_marker, quote_marker, 1, false, "b"},
      {"marker inside a delimiter", "<a href=\"/x\">", "href=" + quote_marker, quote_marker, 1, false, "/x"},
      {"plain", "Set-Cookie: a=1; path=/", "Set-Cookie:", ";", 1, false, " a=1"},
      {"left at the very end", "abc=", "=", ";", 1, false, ""},
      {"left missing", "abc", "x", "c", 1, false, ""},
      {"right missing", "a=1", "=", ";", 1, false, ""},
      {"empty left is never found", "a=1;", "", ";", 1, false, ""},
      {"case folded by default", "xKEY=v;", "key=", ";", 1, false, "v"},
      {"case kept when asked", "xKEY=v;", "key=", ";", 1, true, ""},
      {"start skips earlier left", "k=1;k=22;", "k=", ";", 2, false, "22"},
      {"right searched from start within the rest", "a=1;a=2;", "a=", ";", 3, false, ""},
      {"start below one counts as one", "a=1;", "a=", ";", -3, false, "1"},
      {"trail byte is no delimiter", "\x81=x=y;", "=", ";", 1, false, "y"},
      {"double-byte delimiters",
       "\xB5\xD8"
       "abc"
       "\xB0\xA1",
       "\xB5\xD8", "\xB0\xA1", 1, false, "abc"},
  };
  for (const auto& c : cases) {
    Text left = c.left;
    Text right = c.right;
    EXPECT_EQ(text_between(c.text, left, right, c.start, c.case_sensitive), c.expected) << c.name;
  }
}

TEST(TextBetween, QuoteMarkerRewritesDelimitersInPlace) {
  Text left = "#\xD2\xFD\xBA\xC5";                     // #引号
  Text right = "#\xD2\xFD\xBA\xC5>#\xD2\xFD\xBA\xC5";  // #引号>#引号
  EXPECT_EQ(text_between("a\"b\">\"c", left, right), "b");
  EXPECT_EQ(left, "\"");
  EXPECT_EQ(right, "\">\"");

  Text plain_left = "=";
  Text plain_right = ";";
  text_between("a=1;", plain_left, plain_right);
  EXPECT_EQ(plain_left, "=");
  EXPECT_EQ(plain_right, ";");
}

}  // namespace
