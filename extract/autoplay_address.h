// From a decoded page to the auto-play address: search, cut, assemble. No
// network here, so the whole step runs on any platform.
#pragma once

#include "common/text.h"

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
