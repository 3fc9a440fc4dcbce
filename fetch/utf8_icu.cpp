// The page decoding off Windows, through ICU (and its way back for text that
// leaves the program, local_to_utf8): the bytes Windows gives from
// MultiByteToWideChar(CP_UTF8, 0) and WideCharToMultiByte(936,
// WC_COMPOSITECHECK) with the code page's default character.
//
// Where the result can still differ from Windows':
// - Malformed UTF-8: ICU puts one U+FFFD ("?") for each maximal subpart of an
//   ill-formed sequence (Unicode's recommended practice). A Windows version that
//   counts another way gives a different number of "?" for such a run. Wine
//   differs in two cases: a lead byte whose sequence would run past the end of
//   the body swallows every byte after it into one "?" (ICU: the bytes after
//   it convert on their own), and an overlong or surrogate form (E0 80..9F,
//   ED A0..BF, F0 80..8F, F4 90..BF) is one "?" with its second byte (ICU: one
//   each).
// - Best-fit look-alikes: ICU's windows-936-2000 table with its fallbacks, less
//   the five that Windows lacks (below); each BMP character alone, and 17
//   marks after each of 2,000 bases, give Wine's bytes. A Windows version whose
//   best-fit table differs from Wine's may give another look-alike or "?".
// - Composition: a base and the one mark after it become their canonical
//   precomposed character (Unicode's, as ICU knows it) when code page 936 holds
//   it, directly or as a look-alike. Windows composes from its own list of
//   pairs, which may lack pairs of newer Unicode versions or Hangul jamo.
// - A body over 2 GiB gives the empty text, as the Windows calls' int lengths do.
#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/unorm2.h>
#include <unicode/uset.h>
#include <unicode/utf16.h>

#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "common/close_with.h"
#include "fetch/local_utf8.h"
#include "fetch/utf8.h"

namespace {

using Converter = std::unique_ptr<UConverter, CloseWith<ucnv_close>>;
using CodePointSet = std::unique_ptr<USet, CloseWith<uset_close>>;

const UNormalizer2* nfc() {
  UErrorCode error = U_ZERO_ERROR;
  return unorm2_getNFCInstance(&error);
}

// windows-936 is Microsoft's table (the euro sign as 0x80). Its fallbacks are
// the best-fit look-alikes WideCharToMultiByte uses without
// WC_NO_BEST_FIT_CHARS; asking ICU for them on every character would leave its
// fast path, so they are looked up only for characters the table lacks.
Converter open_code_page_936(bool fallbacks) {
  UErrorCode error = U_ZERO_ERROR;
  Converter converter(ucnv_open("windows-936", &error));
  if (U_FAILURE(error)) return nullptr;
  ucnv_setFallback(converter.get(), fallbacks);
  return converter;
}

// ICU's fallbacks that Windows' best-fit table lacks: the half-width arrows
// and the half-width white circle, which ICU sends to control characters.
constexpr bool windows_lacks_fallback(UChar32 c) { return (c >= 0xFFE9 && c <= 0xFFEC) || c == 0xFFEE; }

class UnitSet {
 public:
  void add(char16_t unit) { bits_[unit >> 6] |= std::uint64_t{1} << (unit & 63); }
  bool contains(char16_t unit) const { return (bits_[unit >> 6] >> (unit & 63)) & 1; }

 private:
  std::array<std::uint64_t, 0x10000 / 64> bits_{};
};

// Which units can be the second of a composition pair, found once.
class Marks {
 public:
  Marks() {
    const UNormalizer2* normalizer = nfc();
    for (std::uint32_t unit = 0x0300; unit <= 0xFFFF; ++unit) {
      if (U16_IS_SURROGATE(unit) || unorm2_hasBoundaryBefore(normalizer, static_cast<UChar32>(unit)))
        continue;
      composes_backwards_.add(static_cast<char16_t>(unit));
      blocks_[unit >> 6] = true;
    }
  }

  bool composes_backwards(char16_t unit) const { return composes_backwards_.contains(unit); }

  // True when the UTF-8 bytes may hold such a unit: a two- or three-byte form
  // whose bits name one (its lead byte first names a block of 64 code points
  // that holds one). Malformed bytes may say yes; no such unit is missed.
  bool may_compose(const unsigned char* bytes, std::size_t length) const {
    for (std::size_t i = 0; i < length; ++i) {
      const unsigned char byte = bytes[i];
      if (byte < 0xCC) continue;  // ASCII, continuation bytes, leads below U+0300
      if (byte < 0xE0) {
        if (i + 1 < length &&
            composes_backwards(static_cast<char16_t>(((byte & 0x1Fu) << 6) | (bytes[i + 1] & 0x3Fu))))
          return true;
      } else if (byte < 0xF0 && i + 2 < length) {
        const unsigned block = ((byte & 0x0Fu) << 6) | (bytes[i + 1] & 0x3Fu);
        if (blocks_[block] &&
            composes_backwards(static_cast<char16_t>((block << 6) | (bytes[i + 2] & 0x3Fu))))
          return true;
      }
      // Four-byte forms lie outside the BMP: Windows composes no surrogates.
    }
    return false;
  }

 private:
  UnitSet composes_backwards_;
  std::array<bool, 0x10000 / 64> blocks_{};
};

const Marks& marks() {
  static const Marks data;
  return data;
}

// The characters code page 936 can write, look-alikes included: what a base and
// mark may compose to. Found once, when a page first has marks.
class HeldBy936 {
 public:
  HeldBy936() {
    const Converter converter = open_code_page_936(true);
    UErrorCode error = U_ZERO_ERROR;
    if (converter) ucnv_getUnicodeSet(converter.get(), held_.get(), UCNV_ROUNDTRIP_AND_FALLBACK_SET, &error);
    uset_removeRange(held_.get(), 0xFFE9, 0xFFEC);
    uset_remove(held_.get(), 0xFFEE);
  }
  bool contains(UChar32 c) const { return uset_contains(held_.get(), c); }

 private:
  CodePointSet held_{uset_openEmpty()};
};

const HeldBy936& held_by_936() {
  static const HeldBy936 data;
  return data;
}

// A character the table lacks: its look-alike, or the default character once
// for each UTF-16 unit (Windows converts unit by unit: two for one outside the
// BMP). The converter with fallbacks opens at the first such character.
struct LookAlikes {
  Converter with_fallbacks;
};

void write_look_alike_or_default(const void* context, UConverterFromUnicodeArgs* args, const UChar* units,
                                 int32_t length, UChar32 c, UConverterCallbackReason reason,
                                 UErrorCode* error) {
  if (reason > UCNV_IRREGULAR) return;
  *error = U_ZERO_ERROR;
  char look_alike[4];
  std::int32_t look_alike_length = 0;
  if (length == 1 && !windows_lacks_fallback(c)) {
    auto& look_alikes = *static_cast<LookAlikes*>(const_cast<void*>(context));
    if (!look_alikes.with_fallbacks) {
      look_alikes.with_fallbacks = open_code_page_936(true);
      UErrorCode ignored = U_ZERO_ERROR;
      if (look_alikes.with_fallbacks) {
        ucnv_setFromUCallBack(look_alikes.with_fallbacks.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr,
                              nullptr, &ignored);
      }
    }
    UErrorCode found = U_ZERO_ERROR;
    if (look_alikes.with_fallbacks) {
      look_alike_length =
          ucnv_fromUChars(look_alikes.with_fallbacks.get(), look_alike, sizeof look_alike, units, 1, &found);
    }
    if (U_FAILURE(found)) look_alike_length = 0;
  }
  static constexpr char kDefaults[] = "??";
  if (look_alike_length > 0) {
    ucnv_cbFromUWriteBytes(args, look_alike, look_alike_length, 0, error);
  } else {
    ucnv_cbFromUWriteBytes(args, kDefaults, length > 1 ? 2 : 1, 0, error);
  }
}

// A block of UTF-16 units after preparation: `written` units to convert, and
// `consumed` of the input decided; the rest waits for the next block.
struct Prepared {
  std::size_t written;
  std::size_t consumed;
};

// WC_COMPOSITECHECK, in place: a base and the mark right after it become their
// precomposed character where code page 936 can write that; otherwise both are
// converted on their own (WC_SEPCHARS). A composed character takes no further
// mark. Unless
// `last`, the block's last unit is left undecided, as a mark may follow it.
Prepared prepare(char16_t* units, std::size_t count, bool last) {
  const Marks& data = marks();
  const std::size_t limit = last ? count : count - 1;
  std::size_t read = 0;
  std::size_t write = 0;
  while (read < limit) {
    // Everything before the base of the next mark stays.
    std::size_t next = read;
    while (next < count && !data.composes_backwards(units[next])) ++next;
    std::size_t plain_end = next < count ? (next > read ? next - 1 : read) : limit;
    if (plain_end > limit) plain_end = limit;
    if (write != read) std::memmove(units + write, units + read, (plain_end - read) * sizeof(char16_t));
    write += plain_end - read;
    read = plain_end;
    if (read >= limit) break;

    const char16_t unit = units[read];
    if (read + 1 < count && data.composes_backwards(units[read + 1]) && !U16_IS_SURROGATE(unit)) {
      const UChar32 pair = unorm2_composePair(nfc(), unit, units[read + 1]);
      if (pair >= 0 && pair <= 0xFFFF && held_by_936().contains(pair)) {
        units[write++] = static_cast<char16_t>(pair);
        read += 2;
        continue;
      }
    }
    units[write++] = unit;
    ++read;
  }
  return {write, read};
}

// Malformed bytes become U+FFFD, as MultiByteToWideChar does without
// MB_ERR_INVALID_CHARS: ICU's UTF-8 converter substitutes U+FFFD by default.
Converter open_utf8() {
  UErrorCode error = U_ZERO_ERROR;
  Converter converter(ucnv_open("UTF-8", &error));
  return U_FAILURE(error) ? nullptr : std::move(converter);
}

// Blocks small enough to stay in the cache, large enough to make the calls rare.
constexpr std::size_t kBlockUnits = 16 * 1024;

// A body with combining marks, block by block: UTF-8 to UTF-16, preparation,
// UTF-16 to code page 936 appended to the result.
std::string composing_to_936(const char* bytes, std::size_t length, UConverter* utf8, UConverter* cp936) {
  UErrorCode error = U_ZERO_ERROR;
  std::string out;
  // Never more bytes out than in: one or two bytes for each character of two to
  // four, one "?" (or look-alike no longer than its UTF-8) for at least one byte.
  out.reserve(length);
  std::array<char16_t, kBlockUnits + 1> units;
  std::array<char, 2 * kBlockUnits> converted;
  std::size_t carried = 0;
  const char* source = bytes;
  const char* const source_end = bytes + length;
  bool last = false;
  while (!last) {
    UChar* target = units.data() + carried;
    ucnv_toUnicode(utf8, &target, units.data() + units.size(), &source, source_end, nullptr, true, &error);
    if (error == U_BUFFER_OVERFLOW_ERROR) {
      error = U_ZERO_ERROR;
    } else {
      last = true;
    }
    if (U_FAILURE(error)) return {};
    // Only a full block stops short of the end, so a block before the last is never empty.
    const std::size_t count = static_cast<std::size_t>(target - units.data());
    const Prepared prepared = prepare(units.data(), count, last);

    char* converted_end = converted.data();
    const UChar* from = units.data();
    ucnv_fromUnicode(cp936, &converted_end, converted.data() + converted.size(), &from,
                     units.data() + prepared.written, nullptr, last, &error);
    if (U_FAILURE(error)) return {};
    out.append(converted.data(), converted_end);

    carried = count - prepared.consumed;
    std::memmove(units.data(), units.data() + prepared.consumed, carried * sizeof(char16_t));
  }
  return out;
}

// The body (no NUL in it) in code page 936. Without marks, ICU converts UTF-8 to
// code page 936 in one call on its fast path.
std::string to_936(const char* bytes, std::size_t length) {
  const Converter utf8 = open_utf8();
  const Converter cp936 = open_code_page_936(false);
  if (!utf8 || !cp936) return {};
  LookAlikes look_alikes;
  UErrorCode error = U_ZERO_ERROR;
  ucnv_setFromUCallBack(cp936.get(), write_look_alike_or_default, &look_alikes, nullptr, nullptr, &error);
  if (U_FAILURE(error)) return {};
  if (marks().may_compose(reinterpret_cast<const unsigned char*>(bytes), length)) {
    return composing_to_936(bytes, length, utf8.get(), cp936.get());
  }
  // Never more bytes out than in (see above).
  std::string out(length, '\0');
  char* target = out.data();
  const char* source = bytes;
  ucnv_convertEx(cp936.get(), utf8.get(), &target, out.data() + out.size(), &source, bytes + length, nullptr,
                 nullptr, nullptr, nullptr, true, true, &error);
  if (U_FAILURE(error)) return {};
  out.resize(static_cast<std::size_t>(target - out.data()));
  return out;
}

}  // namespace

Text utf8_to_local(const ByteSet& body) {
  // A NUL in the body ends the text; no byte before it depends on what follows
  // (a NUL byte is never inside a UTF-8 sequence, nor composes), so the rest is
  // not converted at all.
  if (body.empty() || body.size() > static_cast<std::size_t>(INT_MAX)) return Text();
  const auto* nul = static_cast<const std::uint8_t*>(std::memchr(body.data(), 0, body.size()));
  const std::size_t length = nul ? static_cast<std::size_t>(nul - body.data()) : body.size();
  return Text(to_936(reinterpret_cast<const char*>(body.data()), length));
}

std::string local_to_utf8(const Text& text) {
  if (text.empty()) return {};
  const Converter cp936 = open_code_page_936(false);
  const Converter utf8 = open_utf8();
  if (!utf8 || !cp936) return {};
  // Each byte of code page 936 gives at most three bytes of UTF-8.
  const std::string& bytes = text.bytes();
  std::string out(bytes.size() * 3, '\0');
  char* target = out.data();
  const char* source = bytes.data();
  UErrorCode error = U_ZERO_ERROR;
  ucnv_convertEx(utf8.get(), cp936.get(), &target, out.data() + out.size(), &source,
                 bytes.data() + bytes.size(), nullptr, nullptr, nullptr, nullptr, true, true, &error);
  if (U_FAILURE(error)) return {};
  out.resize(static_cast<std::size_t>(target - out.data()));
  return out;
}
