#include "extract/autoplay_address.h"

#include <string>
#include <string_view>

#include "common/text_ops.h"
#include "extract/page_search.h"

namespace {

// Set by the build (TARNVEX_PLAYER_HOST); the program reads no configuration.
constexpr char kPlayerHost[] = TARNVEX_PLAYER_HOST;

// Bytes that would end the address, start another parameter or fragment, or
// that a browser or the shell would take for something else.
bool needs_escape(unsigned char byte) {
  if (byte < 0x20 || byte == 0x7F) return true;
  switch (byte) {
    case ' ':
    case '"':
    case '<':
    case '>':
    case '\\':
    case '^':
    case '{':
    case '|':
    case '}':
    case '&':
    case '#':
    case '`':
      return true;
    default:
      return false;
  }
}

}  // namespace

Text escape_identifier(const Text& identifier) {
  constexpr char kHex[] = "0123456789ABCDEF";
  const std::string_view bytes = identifier.view();
  std::string escaped;
  escaped.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (byte >= 0x81 && byte <= 0xFE) {
      // A double-byte character stays whole, whatever its trail byte looks like.
      // Code page 936 writes 0x80 (the euro sign) and 0xFF as single bytes: the
      // byte after one of those is judged on its own.
      escaped += bytes.substr(i, 2);
      ++i;
    } else if (needs_escape(byte)) {
      escaped += '%';
      escaped += kHex[byte >> 4];
      escaped += kHex[byte & 0x0F];
    } else {
      escaped += static_cast<char>(byte);
    }
  }
  return Text(escaped);
}

Text autoplay_address_prefix() { return text_concat({"http://", kPlayerHost, "/loader.swf?VideoIDS="}); }

Text autoplay_address_for_value(const Text& value) {
  Text start_marker = "sid/";
  Text end_marker = "/v.swf";
  const Text identifier = escape_identifier(text_between(value, start_marker, end_marker));
  return text_concat({autoplay_address_prefix(), identifier, kAutoplayOptionSuffix});
}

Text flash_value_of_page(const Text& page) {
  // An empty page is not searched at all.
  if (page.empty()) return {};
  const FlashValue found = flash_value_search(page.view());
  if (found.outcome != SearchOutcome::kMatch || !found.group_matched) return {};
  return Text(page.view().substr(found.offset, found.length));
}

Text autoplay_address_from_page(const Text& page) {
  const Text value = flash_value_of_page(page);
  if (value.empty()) return {};
  return autoplay_address_for_value(value);
}
