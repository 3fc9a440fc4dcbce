// The address from the body equals the full conversion's on pages built to trip
// the shortcut, and the conversion has the properties the shortcut relies on.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "extract/autoplay_address.h"
#include "fetch/utf8.h"
#include "tests/support/video_pages.h"

namespace {

ByteSet bytes(const std::string& text) { return ByteSet(text.begin(), text.end()); }

// U+0080 to U+FFFF in UTF-8.
std::string utf8_of(char32_t c) {
  const auto byte = [](char32_t bits) { return static_cast<char>(bits); };
  if (c < 0x800) return {byte(0xC0 | (c >> 6)), byte(0x80 | (c & 0x3F))};
  return {byte(0xE0 | (c >> 12)), byte(0x80 | ((c >> 6) & 0x3F)), byte(0x80 | (c & 0x3F))};
}

const std::string kDi = "\xE5\x9C\xB0", kZhi = "\xE5\x9D\x80";  // 地, 址
constexpr char kZhiLocal[] = "\xD6\xB7";
const std::string kEntryValue = "value=\"sid/ID/v.swf\" >";

// The address from the body handed over `piece` bytes at a time.
Text streamed(const std::string& body, std::size_t piece) {
  BodyAddressSearch search;
  for (std::size_t at = 0; at < body.size(); at += piece)
    search.take(std::string_view(body).substr(at, piece));
  return search.finish();
}

constexpr std::size_t kPieceSizes[] = {1, 2, 3, 7, 16, 17, 64};

TEST(AddressFromBody, EqualsTheFullConversionOnTrickyPages) {
  // Name, body, identifier of the address (nullptr: none).
  const std::vector<std::tuple<const char*, std::string, const char*>> cases = {
      {"empty", "", nullptr},
      {"site page", video_page(player_address("XMTk2")), "XMTk2"},
      {"no entry", "flash" + kDi + " value=\"sid/A/v.swf\"", nullptr},
      // 乫 is 81 66: its second byte is the "f" of flash.
      {"f as a second byte",
       "\xE4\xB9\xAB"
       "lash" +
           kDi + kZhi + kEntryValue,
       "ID"},
      // ª and â have the look-alikes "a"; ㆞ has 地's bytes.
      {"look-alike letter in flash", "fl\xC2\xAAsh" + kDi + kZhi + kEntryValue, "ID"},
      {"look-alike of 地", "flash\xE3\x86\x9E" + kZhi + kEntryValue, "ID"},
      {"look-alike letter in value", "flash" + kDi + kZhi + "v\xC3\xA2lue=\"sid/LA/v.swf\" >", "LA"},
      {"later entry after a false 址", "x" + kZhi + "flash" + kZhi + "flash" + kDi + kZhi + kEntryValue,
       "ID"},
      // e + acute composes: "valu" then é is no value=".
      {"composed letter before =\"",
       "flash" + kDi + kZhi + "valu" + "e\xCC\x81" + "=\"sid/X/v.swf\" >" + kEntryValue, "ID"},
      // > + combining long solidus composes to ≯: that " > is not one.
      {"composed >",
       "flash" + kDi + kZhi +
           "value=\"sid/A\" >\xCC\xB8"
           "B/v.swf\" >",
       "A%22%20\xA1\xDB"
       "B"},
      {"value=\" inside flash地址's reach", "flash" + kDi + kZhi + "=\"sid/A/v.swf\" >" + kEntryValue, "ID"},
      {"value before the entry", kEntryValue + "flash" + kDi + kZhi + "value=\"sid/B/v.swf\" >", "B"},
      {"Chinese identifier",
       "flash" + kDi + kZhi +
           "value=\"sid/\xE8\xA7\x86\xE2\x82\xAC"
           "1/v.swf\" >",
       "\xCA\xD3\x80"
       "1"},
      {"malformed bytes around",
       "\xE5\x9C"
       "flash" +
           kDi + kZhi + "\x80\xFF" + "value=\"sid/\xC0\xAF/v.swf\" >",
       "??"},
      {"NUL before the entry", std::string("a\0", 2) + "flash" + kDi + kZhi + kEntryValue, nullptr},
      {"NUL inside the value", "flash" + kDi + kZhi + "value=\"sid/A" + std::string("\0", 1) + "/v.swf\" >",
       nullptr},
      {"empty value", "flash" + kDi + kZhi + "value=\"\" >" + kEntryValue, nullptr},
      // 佀 ends with 址's last two bytes.
      {"a character ending as 址 does",
       "flash" + kDi + "\xE4\x9D\x80" + kEntryValue + "flash" + kDi + kZhi + "value=\"sid/Z/v.swf\" >", "Z"},
      {"entry in the last bytes", std::string(10, ' ') + "flash" + kDi + kZhi + "value=\"A\" >", ""},
  };
  for (const auto& [name, body, identifier] : cases) {
    const Text got = autoplay_address_from_body(bytes(body));
    EXPECT_EQ(got.bytes(), autoplay_address_from_page(utf8_to_local(bytes(body))).bytes()) << name;
    EXPECT_EQ(got.bytes(), identifier ? expected_address(identifier) : std::string()) << name;
    for (const std::size_t piece : kPieceSizes) EXPECT_EQ(streamed(body, piece), got) << name << " " << piece;
  }
}

// 址, =" and " > at every offset within sixteen-byte blocks and around every
// cut between pieces: a search that skips a place anywhere misses one of them.
TEST(AddressFromBody, FoundAtEveryOffsetWhateverThePieces) {
  const auto filler = [](std::size_t bytes) {
    std::string text(bytes % 3, 'x');
    for (std::size_t i = 0; i < bytes / 3; ++i) text += "\xE4\xB8\xAD";  // 中
    return text;
  };
  for (std::size_t before = 0; before < 40; ++before) {
    for (const std::size_t between : {std::size_t{0}, before % 17, std::size_t{33}}) {
      const std::string body = filler(before) + "flash" + kDi + kZhi + filler(between) + "value=\"sid/" +
                               filler(before % 5) + "/v.swf\" >" + filler(between);
      const std::string expected = autoplay_address_from_page(utf8_to_local(bytes(body))).bytes();
      ASSERT_FALSE(expected.empty()) << before << " " << between;
      ASSERT_EQ(autoplay_address_from_body(bytes(body)).bytes(), expected) << before << " " << between;
      for (const std::size_t piece : kPieceSizes)
        ASSERT_EQ(streamed(body, piece).bytes(), expected) << before << " " << between << " " << piece;
    }
  }
}

TEST(AddressFromBody, ConversionKeepsTheMarkersApart) {
  // Every BMP character alone, then after 址 and after a quote: 址 alone gives
  // D6 B7, 地 and ㆞ alone give B5 D8, none gives a lone h, none gives " = > or
  // the space,
  // and nothing composes with 址 or the quote.
  for (char32_t c = 0x80; c <= 0xFFFF; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    const std::string alone = utf8_to_local(bytes(utf8_of(c))).bytes();
    if (c != 0x5740) {
      ASSERT_NE(alone, "\xD6\xB7") << std::hex << static_cast<int>(c);
    }
    ASSERT_NE(alone, "h") << std::hex << static_cast<int>(c);
    if (c != 0x5730 && c != 0x319E) {
      ASSERT_NE(alone, "\xB5\xD8") << std::hex << static_cast<int>(c);
    }
    ASSERT_EQ(alone.find_first_of("\"=> "), std::string::npos) << std::hex << static_cast<int>(c);
    const std::string utf8 = utf8_of(c);
    ASSERT_EQ(utf8_to_local(bytes(kZhi + utf8)).bytes(), std::string(kZhiLocal).append(alone))
        << std::hex << static_cast<int>(c);
    ASSERT_EQ(utf8_to_local(bytes(std::string(1, '"').append(utf8))).bytes(),
              std::string(1, '"').append(alone))
        << std::hex << static_cast<int>(c);
  }
}

}  // namespace
