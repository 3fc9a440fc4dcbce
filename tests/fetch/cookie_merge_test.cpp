#include "fetch/cookie_merge.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace {

struct MergeCase {
  const char* name;
  Text cookies;
  Text received;
  Text merged;
  Text received_after;
};

TEST(CookieMerge, Table) {
  const std::vector<MergeCase> cases = {
      {"both empty", "", "", "", ""},
      {"nothing present, two received", "", "a=1; b=2; ", "a=1; b=2; ", "a=1;b=2;"},
      {"nothing received keeps own pieces", "a=1 ; b=2", "", "a=1; b=2; ", ""},
      {"worked order", "x=1; y=2; z=3", "y=5; w=4; z=3; ", "x=1; y=5; z=3; w=4; ", "y=5;w=4;z=3;"},
      {"replacement stays in place", "a=1; b=2; c=3", "a=9; ", "a=9; b=2; c=3; ", "a=9;"},
      {"identical received changes nothing", "a=1; b=2", "a=1; ", "a=1; b=2; ", "a=1;"},
      {"received deletion removes present cookie", "a=1; b=2", "a=deleted; ", "b=2; ", "a=deleted;"},
      {"received deletion of unknown name adds nothing", "a=1", "b=deleted; ", "a=1; ", "b=deleted;"},
      {"present deleted piece leaves without anything received", "a=deleted; b=2", "", "b=2; ", ""},
      {"every piece deleted gives empty", "a=deleted", "b=deleted; ", "", "b=deleted;"},
      {"names are case-sensitive", "SID=1", "sid=2; ", "SID=1; sid=2; ", "sid=2;"},
      {"spaces inside names and values go", "a b=1 2", "c = 3; ", "ab=12; c=3; ", "c=3;"},
      {"full-width spaces go",
       "a=\xA1\xA1"
       "1",
       "\xA1\xA1"
       "b=2; ",
       "a=1; b=2; ", "b=2;"},
      {"tabs stay", "a=\t1", "", "a=\t1; ", ""},
      {"piece without equals survives", "flag; a=1", "", "flag; a=1; ", ""},
      {"identical pieces without equals collapse", "flag; flag", "flag; ", "flag; ", "flag;"},
      {"empty piece survives once", "a=1;;b=2", "", "a=1; ; b=2; ", ""},
      {"repeats within cookie text collapse into the first", "a=1; b=2; a=1", "", "a=1; b=2; ", ""},
      {"two received of one name", "a=1", "a=2; a=3; ", "a=2; a=3; ", "a=2;a=3;"},
      {"only the first present piece of a name changes", "a=1; a=9", "a=2; ", "a=2; a=9; ", "a=2;"},
      {"value keeps further equals signs", "a=x=1", "a=y=2; ", "a=y=2; ", "a=y=2;"},
      {"received rewritten though nothing changes", "a=1", " a = 1 ", "a=1; ", "a=1;"},
      {"received without final semicolon", "", "a=1", "a=1; ", "a=1;"},
      {"replacement ending in deleted leaves", "a=1; b=2", "b=deleted", "a=1; ", "b=deleted;"},
      {"double-byte value", "k=\xB5\xD8", "k=\xB0\xA1", "k=\xB0\xA1; ", "k=\xB0\xA1;"},
      // What "worked order" gives, merged again with nothing: a merge's own result is stable.
      {"merged result merged again", "x=1; y=5; z=3; w=4; ", "", "x=1; y=5; z=3; w=4; ", ""},
  };
  for (const auto& c : cases) {
    Text cookies = c.cookies;
    Text received = c.received;
    const Text returned = cookie_merge(cookies, received);
    EXPECT_EQ(cookies.bytes(), c.merged.bytes()) << c.name;
    EXPECT_EQ(returned.bytes(), c.merged.bytes()) << c.name;
    EXPECT_EQ(received.bytes(), c.received_after.bytes()) << c.name;
  }
}

TEST(CookieName, AndValueTable) {
  const std::vector<std::tuple<Text, Text, Text>> cases = {
      // piece, name, value
      {"a=1", "a", "1"},
      {"a=", "a", ""},
      {"=1", "", "1"},
      {"a", "", ""},
      {"", "", ""},
      {"a=b=c", "a", "b=c"},
      {"==", "", "="},
      // A lead byte takes the next byte with it, so an "=" right behind it is not the first "=".
      {"\x81=a=1", "\x81=a", "1"},
  };
  // Both take the piece as const: that it stays unchanged is the compiler's check.
  for (const auto& [piece, name, value] : cases) {
    EXPECT_EQ(cookie_name(piece), name) << piece.bytes();
    EXPECT_EQ(cookie_value(piece), value) << piece.bytes();
  }
}

TEST(RemoveDuplicatePieces, Table) {
  const std::vector<std::tuple<Text, Text, Text>> cases = {
      // text, delimiter, result
      {"", "; ", ""},
      {"a; b; a; ", "; ", "a; b; "},
      {"a; b; a", "; ", "a; b; "},
      {"; ; a; ", "; ", "; a; "},
      {"A; a; ", "; ", "A; a; "},
      {"x,y,x,z,y", ",", "x,y,z,"},
  };
  for (const auto& [text, delimiter, result] : cases) {
    EXPECT_EQ(remove_duplicate_pieces(text, delimiter), result) << text.bytes();
  }
}

}  // namespace
