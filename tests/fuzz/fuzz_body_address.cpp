// Any bytes as a fetched page: the address from the body must be the full
// conversion's, and so must the search over the body in pieces (the first byte
// picks their size). 0x01 and the next byte pick a piece that builds or breaks the entry.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "extract/autoplay_address.h"
#include "fetch/utf8.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

// flash 地 址 ㆞ (as 地) value =" " > sid/ /v.swf 乫 (81 66: an "f" second byte)
// ª â ð (as a, a, e) combining acute, combining long solidus (composes with >),
// kana voicing mark, euro sign, outside the BMP, 址 cut short, NUL.
constexpr std::string_view kPieces[] = {"flash",        "\xE5\x9C\xB0",
                                        "\xE5\x9D\x80", "\xE3\x86\x9E",
                                        "value",        "=\"",
                                        "\" >",         "sid/",
                                        "/v.swf",       "\xE4\xB9\xAB",
                                        "\xC2\xAA",     "\xC3\xA2",
                                        "\xC3\xB0",     "\xCC\x81",
                                        "\xCC\xB8",     "\xE3\x82\x99",
                                        "\xE2\x82\xAC", "\xF0\x9F\x98\x80",
                                        "\xE5\x9D",     std::string_view("\0", 1)};

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
  const Text whole = autoplay_address_from_page(utf8_to_local(bytes));
  check(autoplay_address_from_body(bytes) == whole);
  const std::size_t piece = size > 0 ? 1 + data[0] % 32 : 1;
  BodyAddressSearch search;
  for (std::size_t at = 0; at < body.size(); at += piece)
    search.take(std::string_view(body).substr(at, piece));
  check(search.finish() == whole);
  return 0;
}
