// From a decoded page to the auto-play address: search, cut, assemble. No
// network here, so the whole step runs on any platform.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "common/text.h"
#include "fetch/exchange.h"

// "http://" + the player-loader host + "/loader.swf?VideoIDS="
Text autoplay_address_prefix();
inline constexpr char kAutoplayOptionSuffix[] =
    "&embedid=&isAutoPlay=true&isShowRelatedVideo=false&embedid=-&showAd=0";

// The identifier as the address carries it: ASCII control characters, the
// space and " < > \ ^ { | } & # ` become %XX (upper-case hex); every other
// byte stays, and so does each double-byte character (a byte of 0x80 or above
// and the byte after it) whole.
Text escape_identifier(const Text& identifier);

// Prefix + the escaped identifier between "sid/" and "/v.swf" in `value` + the
// options. A value without those markers gives an empty identifier, and still
// an address.
Text autoplay_address_for_value(const Text& value);

// Group 2 of the first match of the search pattern in `page`; empty when there
// is no match, the group is empty, or the engine gives up.
Text flash_value_of_page(const Text& page);

// The auto-play address of a decoded page, or the empty Text when the page has
// no flash entry with a value.
Text autoplay_address_from_page(const Text& page);

// The same address from the page as fetched, in UTF-8: equal to
// autoplay_address_from_page(utf8_to_local(utf8_body)) on every body, found
// without converting the whole page (extract/body_address.cpp says why).
Text autoplay_address_from_body(const ByteSet& utf8_body);

// The same search over a body that arrives in pieces, holding only what it
// still needs: however the body is cut, finish() gives
// autoplay_address_from_body of the whole.
class BodyAddressSearch final : public BodySink {
 public:
  bool take(std::string_view piece) override;
  // The address once the whole body has been taken; empty when there is none.
  Text finish();

 private:
  enum class Phase { kFlash, kValue, kClosing, kDone };
  void advance(bool at_end);
  void settle();
  void drop_what_is_not_needed();

  Phase phase_ = Phase::kFlash;
  std::string held_;           // the body from held_from_ on
  std::size_t held_from_ = 0;  // positions below are in the whole body
  std::size_t scan_ = 0;       // where the search goes on
  std::size_t floor_ = 0;      // where the text after flash地址 starts
  std::size_t value_start_ = 0;
  Text address_;
};
