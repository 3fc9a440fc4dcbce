// Any bytes as a fetched UTF-8 page: the address found in the body must be the
// one found after converting the whole page. The byte 0x01 followed by another
// picks a piece that builds or breaks the entry, so the fuzzer reaches them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "extract/autoplay_address.h"
#include "fetch/utf8.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

constexpr std::string_view kPieces[] = {
    "flash",
    "\xE5\x9C\xB0",  // 地
    "\xE5\x9D\x80",  // 址
    "\xE3\x86\x9E",  // ㆞, a look-alike of 地
    "value",
    "=\"",
    "\" >",
    "sid/",
    "/v.swf",
    "\xE4\xB9\xAB",      // 乫, 81 66: an "f" as a second byte
    "\xC2\xAA",          // ª, a look-alike of "a"
    "\xC3\xA2",          // â, a look-alike of "a"
    "\xC3\xB0",          // ð, a look-alike of "e"
    "\xCC\x81",          // combining acute
    "\xCC\xB8",          // combining long solidus: > + it composes
    "\xE3\x82\x99",      // kana voicing mark
    "\xE2\x82\xAC",      // euro sign
    "\xF0\x9F\x98\x80",  // outside the BMP
    "\xE5\x9D",          // 址 cut short
    std::string_view("\0", 1),
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string body;
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0x01 && i + 1 < size) {
      body += kPieces[data[++i] % std::size(kPieces)];
    } else {
      body += static_cast<char>(data[i]);
    }
  }
  const ByteSet bytes(body.begin(), body.end());
  check(autoplay_address_from_body(bytes) == autoplay_address_from_page(utf8_to_local(bytes)));
  return 0;
}
