#include "extract/autoplay_address.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "extract/page_search.h"
#include "tests/support/video_pages.h"

namespace {

// flash地址
const std::string kFlash = "flash\xB5\xD8\xD6\xB7";

TEST(AutoplayAddress, IdentifierCutFromValue) {
  const std::vector<std::tuple<const char*, Text, const char*>> cases = {
      // name, value, identifier
      {"plain", "abc/sid/XYZ123/v.swf", "XYZ123"},
      {"markers in capitals", "abc/SID/XYZ123/V.SWF", "XYZ123"},
      {"mixed case markers", "http://x/Sid/q-9_Z/V.swf?a=1", "q-9_Z"},
      {"end marker only before start", "/v.swf/sid/XYZ123", ""},
      {"end marker right after start", "abc/sid//v.swf", ""},
      {"no start marker", "abc/XYZ123/v.swf", ""},
      {"no end marker", "abc/sid/XYZ123", ""},
      {"first end marker after start", "sid/A/v.swf/B/v.swf", "A"},
      {"first start marker", "sid/A/sid/B/v.swf", "A/sid/B"},
      // 地 is B5 D8: a Chinese identifier passes through untouched.
      {"double-byte identifier", "sid/\xB5\xD8\xB5\xD8/v.swf", "\xB5\xD8\xB5\xD8"},
      // "\x81s" is one double-byte character: the marker cannot start on its second byte.
      {"marker hidden in a double-byte char",
       "\x81"
       "sid/A/v.swf"
       "sid/B/v.swf",
       "B"},
      // A hostile identifier: what could end the address or start another part is %XX.
      {"hostile identifier",
       "sid/a b\"c<d>&e#f|g^h`i{j}k\\l\tm%41\xCA\xD3\xC6\xB5=-_./v.swf",  // 视频
       "a%20b%22c%3Cd%3E%26e%23f%7Cg%5Eh%60i%7Bj%7Dk%5Cl%09m%41\xCA\xD3\xC6\xB5=-_."},
      {"control bytes", "sid/\x01\x1F\x7F/v.swf", "%01%1F%7F"},
      // A trail byte that looks like one of those characters belongs to its lead byte.
      {"double-byte trail bytes stay", "sid/\x81|\x81`\x81\\\x81{x/v.swf", "\x81|\x81`\x81\\\x81{x"},
      // The euro sign (0x80) and 0xFF are single bytes: what follows them is encoded.
      {"single-byte 0x80 and 0xFF", "sid/X\x80&isAutoPlay=false\x80#frag\x80 Z\xFF\"/v.swf",
       "X\x80%26isAutoPlay=false\x80%23frag\x80%20Z\xFF%22"},
  };
  for (const auto& [name, value, identifier] : cases) {
    EXPECT_EQ(autoplay_address_for_value(value), Text(expected_address(identifier))) << name;
  }
  // A lead byte at the very end has no trail byte to keep.
  EXPECT_EQ(escape_identifier("a&\x81"), Text("a%26\x81"));
}

TEST(FlashValue, PageTable) {
  // Name, page and group 2 (empty when the page yields nothing).
  const std::vector<std::tuple<const char*, std::string, std::string>> cases = {
      {"single line", "<p>" + kFlash + ": <input value=\"abc/sid/XYZ123/v.swf\" ></p>",
       "abc/sid/XYZ123/v.swf"},
      {"groups cross line breaks",
       "<div>" + kFlash + "\r\n<input type=text\nvalue=\"http://v/sid/ID\r\n7/v.swf\" >\n</div>",
       "http://v/sid/ID\r\n7/v.swf"},
      {"first complete entry wins",
       kFlash + " value=\"a/sid/ONE/v.swf\" > " + kFlash + " value=\"b/sid/TWO/v.swf\" >", "a/sid/ONE/v.swf"},
      {"an ending before flash is ignored", "value=\"x\" > " + kFlash + " value=\"a/sid/ONE/v.swf\" >",
       "a/sid/ONE/v.swf"},
      {"group 2 ends at the first ending after value=", kFlash + " value=\"a/sid/ONE/v.swf\" > value=\"b\" >",
       "a/sid/ONE/v.swf"},
      {"quote without space and bracket does not end group 2", kFlash + " value=\"a\"b\">c\" >", "a\"b\">c"},
      {"first value= opening after flash is used", kFlash + " value=\"first\" value=\"second\" >",
       "first\" value=\"second"},
      {"value= before flash is ignored", "value=\"early\" > " + kFlash + " value=\"late\" >", "late"},
      {"group 1 runs over a second flash", kFlash + " no entry here " + kFlash + " value=\"x/sid/Q/v.swf\" >",
       "x/sid/Q/v.swf"},
      {"no entry", "<html><body>nothing here</body></html>", ""},
      {"flash without value", kFlash + " and nothing else", ""},
      {"value without ending", kFlash + " value=\"abc/sid/Q/v.swf\">", ""},
      {"empty group 2", kFlash + " value=\"\" >", ""},
      {"capital F does not match", "Flash\xB5\xD8\xD6\xB7 value=\"a/sid/Q/v.swf\" >", ""},
      {"capital VALUE does not match", kFlash + " VALUE=\"a/sid/Q/v.swf\" >", ""},
      {"other characters after flash", "flash\xB5\xD8\xB5\xD8 value=\"a/sid/Q/v.swf\" >", ""},
      {"ending needs exactly one space", kFlash + " value=\"a/sid/Q/v.swf\"  >", ""},
      {"empty page", "", ""},
  };
  for (const auto& [name, page, value] : cases)
    EXPECT_EQ(flash_value_of_page(Text(page)), Text(value)) << name;
}

TEST(AutoplayAddressFromPage, BuildsAddressOrNothing) {
  const auto from_page = [](const std::string& page) {
    return autoplay_address_from_page(Text(page)).bytes();
  };
  EXPECT_EQ(from_page(kFlash + "\nvalue=\"http://v/sid/XYZ123/v.swf\" >"), expected_address("XYZ123"));
  EXPECT_EQ(from_page(kFlash + " value=\"http://v/SID/XYZ123/V.SWF\" >"), expected_address("XYZ123"));
  // A value without the markers is no failure: the identifier is just empty.
  EXPECT_EQ(from_page(kFlash + " value=\"/v.swf then sid/\" >"), expected_address(""));
  EXPECT_EQ(from_page(kFlash + " value=\"sid//v.swf\" >"), expected_address(""));
  for (const std::string& page : {kFlash + " value=\"\" >", std::string("no entry"), std::string()}) {
    EXPECT_EQ(from_page(page), "") << page;
  }
}

// Many entries that open and never close: a backtracking engine tries every
// flash地址 against every value=" to the end of the page.
std::string adversarial_page(int entries) {
  std::string page;
  for (int i = 0; i < entries; ++i) page += kFlash + " value=\"sid/" + std::to_string(i) + "/v.swf\">\n";
  return page;
}

TEST(FlashValue, BacktrackingBlowUpCountsAsNoMatch) {
  const std::string page = adversarial_page(300);
  // Boost alone gives up with its state-limit error, which is caught.
  EXPECT_EQ(flash_value_search_whole_page(page).outcome, SearchOutcome::kGaveUp);
  EXPECT_EQ(flash_value_of_page(Text(page)), Text());
  EXPECT_EQ(autoplay_address_from_page(Text(page)), Text());
}

TEST(FlashValue, BlowUpPageWithAClosingAtTheEndStillMatches) {
  // The same page with one ending at the very end: the first entry's value runs
  // to it, and the pre-scan lets Boost find it in one pass.
  const std::string page = adversarial_page(300) + "\" >";
  const Text value = flash_value_of_page(Text(page));
  ASSERT_FALSE(value.empty());
  EXPECT_EQ(value.view().substr(0, 12), "sid/0/v.swf\"");
  EXPECT_EQ(static_cast<std::size_t>(value.length()), page.size() - kFlash.size() - 8 - 3);
}

}  // namespace
