// The address straight from the UTF-8 body: the three literals of the search
// are found in the UTF-8 bytes, and only short stretches are converted.
//
// Why the result is the full conversion's, byte for byte:
// - The first match of the search starts at the first flash地址 of the text, its
//   value=" is the first after that, its " > the first after that, and the value
//   lies between (extract/page_search.cpp). So only those three places matter.
// - The text is the characters' conversions one after another. A stretch of the
//   body converts to exactly its part of the text when it starts at the body's
//   start, at an ASCII byte or right after 址 or a quote, and ends before an
//   ASCII byte, before 地, ㆞ or 址, or at the end: each such place begins a
//   character, and nothing there composes with the character before it (no
//   mark composes with 址 or the quote, and no ASCII, 地, ㆞ or 址 is a mark).
// - 址 is the only character whose conversion is D6 B7, 地 and ㆞ the only ones
//   converted to B5 D8, none but the ASCII h to a lone h; no conversion puts
//   " = > or the space in a double-byte character, and none but ASCII's gives
//   them as single bytes (the tests check these against the conversion itself).
//   A double-byte character's first byte is never ASCII. So in the text,
//   flash地址 ends with 址, preceded by 地 (or ㆞), an ASCII h and "flas", whose
//   "f" may be the second byte of a double-byte character; value=" ends with an
//   ASCII =" of the body; " > is an ASCII " > of the body, unless a mark after
//   the > composes with it.
// - A NUL ends the text, so the body is read up to its first NUL.
//
// As the body arrives in pieces, only what the search still needs is held: the
// entry's value once value=" is found, and before that a short stretch behind
// the place the search has reached, starting where a stretch may start. An
// ASCII byte is such a place, and so is the first byte of a CJK ideograph
// (U+4000 to U+9FFF, lead bytes E4 to E9): nothing composes with the character
// before it. Only a run of over kMaxHeld bytes with neither in it is cut at
// another character's first byte.
#include <algorithm>
#include <cstring>
#include <string_view>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "extract/autoplay_address.h"
#include "extract/page_search.h"
#include "fetch/utf8.h"

namespace {

constexpr std::string_view kZhiUtf8 = "\xE5\x9D\x80";               // 址
constexpr std::string_view kDiUtf8 = "\xE5\x9C\xB0";                // 地
constexpr std::string_view kDiLookAlikeUtf8 = "\xE3\x86\x9E";       // ㆞, converted as 地
constexpr std::string_view kFlas = "flas";                          // before the h of flash地址
constexpr std::string_view kValue = "value";                        // before the =" of value="
constexpr std::string_view kEqualsQuote = kValueOpening.substr(5);  // ="

bool is_ascii(char byte) { return static_cast<unsigned char>(byte) < 0x80; }

std::size_t find_in(std::string_view body, std::size_t from, std::string_view needle) {
  if (from > body.size()) return std::string_view::npos;
#if defined(__GLIBC__)
  const void* found = memmem(body.data() + from, body.size() - from, needle.data(), needle.size());
  return found == nullptr ? std::string_view::npos
                          : static_cast<std::size_t>(static_cast<const char*>(found) - body.data());
#else
  return body.find(needle, from);
#endif
}

// The next 址 at or after `from`. Its last two bytes, 9D 80, are both
// continuation bytes that few characters of a Chinese page end with, so the
// pair is looked for sixteen places at a time; a single byte of it (memchr)
// would stop every hundred bytes or so.
std::size_t find_zhi(std::string_view body, std::size_t from) {
  std::size_t at = from;
#if defined(__SSE2__)
  const __m128i second = _mm_set1_epi8(kZhiUtf8[1]);
  const __m128i third = _mm_set1_epi8(kZhiUtf8[2]);
  for (; at + 18 <= body.size(); at += 16) {
    const auto* seconds = reinterpret_cast<const __m128i*>(body.data() + at + 1);
    const auto* thirds = reinterpret_cast<const __m128i*>(body.data() + at + 2);
    auto pairs = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(
        _mm_cmpeq_epi8(_mm_loadu_si128(seconds), second), _mm_cmpeq_epi8(_mm_loadu_si128(thirds), third))));
    for (; pairs != 0; pairs &= pairs - 1) {
      const std::size_t candidate = at + static_cast<std::size_t>(__builtin_ctz(pairs));
      if (body[candidate] == kZhiUtf8[0]) return candidate;
    }
  }
#endif
  return body.find(kZhiUtf8, at);
}

// The text of body[from, to): both ends must be places where a stretch may
// start and end (see above).
std::string_view convert(std::string_view body, std::size_t from, std::size_t to, Text& holder) {
  holder = utf8_to_local(body.substr(from, to - from));
  return holder.view();
}

// Whether the text just before body position `at` ends with `expected`, reading
// no further back than `floor` (a place where a stretch may start).
bool text_before_ends_with(std::string_view body, std::size_t floor, std::size_t at,
                           std::string_view expected) {
  // All ASCII right before: those bytes are the text.
  if (at - floor >= expected.size()) {
    const std::string_view before = body.substr(at - expected.size(), expected.size());
    bool ascii = true;
    for (const char byte : before) ascii = ascii && is_ascii(byte);
    if (ascii) return before == expected;
  }
  // Otherwise convert from an ASCII byte far enough back, further if too short.
  std::size_t reach = expected.size() + 4;
  for (;;) {
    std::size_t from = at > floor + reach ? at - reach : floor;
    while (from > floor && !is_ascii(body[from])) --from;
    Text holder;
    const std::string_view text = convert(body, from, at, holder);
    if (text.size() >= expected.size() || from == floor) {
      return text.size() >= expected.size() && text.substr(text.size() - expected.size()) == expected;
    }
    reach *= 4;
  }
}

// Whether the " > at body position `at` stays " > in the text: no mark after it
// composes with the >.
bool closing_stays(std::string_view body, std::size_t at) {
  std::size_t to = at + kValueClosing.size();
  if (to == body.size() || is_ascii(body[to])) return true;
  while (to < body.size() && !is_ascii(body[to])) ++to;
  Text holder;
  return convert(body, at, to, holder).substr(0, kValueClosing.size()) == kValueClosing;
}

}  // namespace

namespace {

// How far behind the scan a look back for "flas" or "value" may reach: in 64
// bytes of UTF-8 lie at least 16 characters, more than either needs.
constexpr std::size_t kLookBack = 64;
constexpr std::size_t kMaxHeld = 1 << 20;

bool starts_stretch(char byte) {
  const auto value = static_cast<unsigned char>(byte);
  return value < 0x80 || (value >= 0xE4 && value <= 0xE9);
}

bool starts_character(char byte) {
  const auto value = static_cast<unsigned char>(byte);
  return value < 0x80 || value >= 0xC2;
}

}  // namespace

bool BodyAddressSearch::take(std::string_view piece) {
  if (phase_ == Phase::kDone) return true;
  // A NUL ends the text: nothing after it counts.
  const std::size_t nul = piece.find('\0');
  held_.append(piece.substr(0, nul));
  if (nul != std::string_view::npos) {
    settle();
    return true;
  }
  advance(false);
  drop_what_is_not_needed();
  return true;
}

void BodyAddressSearch::settle() {
  if (phase_ == Phase::kDone) return;
  advance(true);
  phase_ = Phase::kDone;
  held_.clear();
  held_.shrink_to_fit();
}

Text BodyAddressSearch::finish() {
  settle();
  return address_;
}

void BodyAddressSearch::advance(bool at_end) {
  const std::string_view body = held_;
  const auto at = [&](std::size_t absolute) { return absolute - held_from_; };
  const std::size_t end = held_from_ + body.size();
  if (phase_ == Phase::kFlash) {
    // The first 址 with flash地 (or a look-alike of 地) before it.
    for (std::size_t zhi = find_zhi(body, at(scan_)); zhi != std::string_view::npos;
         zhi = find_zhi(body, zhi + 1)) {
      // Only 地 and ㆞ convert to 地's bytes, and only the ASCII h to an h of its
      // own (a double-byte character's h follows its first byte, not an s).
      if (zhi < 4) continue;
      const std::string_view di = body.substr(zhi - 3, 3);
      if ((di != kDiUtf8 && di != kDiLookAlikeUtf8) || body[zhi - 4] != 'h') continue;
      if (text_before_ends_with(body, 0, zhi - 4, kFlas)) {
        phase_ = Phase::kValue;
        floor_ = scan_ = held_from_ + zhi + kZhiUtf8.size();
        break;
      }
    }
    if (phase_ == Phase::kFlash) {
      // A 址 cut by the end of the piece is looked at again with the next.
      scan_ = std::max(scan_, end >= 2 ? end - 2 : 0);
      return;
    }
  }
  if (phase_ == Phase::kValue) {
    // The first value=" from there.
    const std::size_t floor = at(std::max(floor_, held_from_));
    for (std::size_t equals = find_in(body, at(scan_), kEqualsQuote); equals != std::string_view::npos;
         equals = find_in(body, equals + 1, kEqualsQuote)) {
      if (text_before_ends_with(body, floor, equals, kValue)) {
        phase_ = Phase::kClosing;
        value_start_ = scan_ = held_from_ + equals + kEqualsQuote.size();
        break;
      }
    }
    if (phase_ == Phase::kValue) {
      scan_ = std::max(scan_, end >= 1 ? end - 1 : 0);
      return;
    }
  }
  // The first " > from there ends the value, unless a mark after the > composes
  // with it; whether one does is known at the next ASCII byte or the end.
  for (std::size_t closing = find_in(body, at(scan_), kValueClosing); closing != std::string_view::npos;
       closing = find_in(body, closing + 1, kValueClosing)) {
    std::size_t after = closing + kValueClosing.size();
    while (after < body.size() && !is_ascii(body[after])) ++after;
    if (after == body.size() && !at_end) {
      scan_ = held_from_ + closing;
      return;
    }
    if (!closing_stays(body, closing)) continue;
    Text value;
    convert(body, at(value_start_), closing, value);
    if (!value.empty()) address_ = autoplay_address_for_value(value);
    phase_ = Phase::kDone;
    held_.clear();
    return;
  }
  scan_ = std::max(scan_, end >= 2 ? end - 2 : 0);
}

void BodyAddressSearch::drop_what_is_not_needed() {
  if (phase_ == Phase::kDone) return;
  std::size_t target = scan_ >= kLookBack ? scan_ - kLookBack : 0;
  // The value is held whole once it has begun.
  if (phase_ == Phase::kClosing) target = std::min(target, value_start_);
  if (target <= held_from_) return;
  std::size_t cut = target - held_from_;
  while (cut > 0 && !starts_stretch(held_[cut])) --cut;
  if (cut == 0 && held_.size() > kMaxHeld) {
    cut = target - held_from_;
    while (cut > 0 && !starts_character(held_[cut])) --cut;
  }
  if (cut == 0) return;
  held_.erase(0, cut);
  held_from_ += cut;
}

Text autoplay_address_from_body(const ByteSet& utf8_body) {
  BodyAddressSearch search;
  search.take(std::string_view(reinterpret_cast<const char*>(utf8_body.data()), utf8_body.size()));
  return search.finish();
}
