#include "extract/autoplay_address.h"

#include "common/text_ops.h"
#include "extract/page_search.h"

namespace {

// Set by the build (TARNVEX_PLAYER_HOST); the program reads no configuration.
constexpr char kPlayerHost[] = TARNVEX_PLAYER_HOST;

}  // namespace

Text autoplay_address_prefix() { return text_concat({"http://", kPlayerHost, "/loader.swf?VideoIDS="}); }

Text autoplay_address_for_value(const Text& value) {
  Text start_marker = "sid/";
  Text end_marker = "/v.swf";
  const Text identifier = text_between(value, start_marker, end_marker);
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
