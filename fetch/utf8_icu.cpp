// The page decoding off Windows, through ICU: the bytes Windows gives from
// MultiByteToWideChar(CP_UTF8, 0) and WideCharToMultiByte(936,
// WC_COMPOSITECHECK) with the code page's default character.
//
// Where the result can still differ from Windows':
// - Malformed UTF-8: ICU puts one U+FFFD ("?") for each maximal subpart of an
//   ill-formed sequence (Unicode's recommended practice). A Windows version that
//   counts another way gives a different number of "?" for such a run; Wine
//   gives the same, except for a sequence cut short by the end of the body.
// - Best-fit look-alikes: ICU's windows-936-2000 table with its fallbacks, less
//   the five that Windows lacks (below). Checked against Wine's table for every
//   BMP character; a Windows version whose best-fit table differs from that may
//   give another look-alike or "?".
// - Composition: a base and the one mark after it become their canonical
//   precomposed character (Unicode's, as ICU knows it) when code page 936 holds
//   it, directly or as a look-alike. Windows composes from its own list of
//   pairs, which may lack pairs of newer Unicode versions or Hangul jamo.
// - A body over 2 GiB gives the empty text, as the Windows calls' int lengths do.
#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/unorm2.h>
#include <unicode/uset.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "fetch/utf8.h"

namespace {

struct ConverterClose {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterClose>;

struct SetClose {
  void operator()(USet* set) const { uset_close(set); }
};
using CodePointSet = std::unique_ptr<USet, SetClose>;

// Windows converts UTF-16 unit by unit: a character the code page lacks gives
// one default character per unit, so two for one outside the BMP.
void write_default_characters(const void*, UConverterFromUnicodeArgs* args, const UChar*, int32_t length,
                              UChar32, UConverterCallbackReason reason, UErrorCode* error) {
  if (reason > UCNV_IRREGULAR) return;
  *error = U_ZERO_ERROR;
  static constexpr char kDefaults[] = "??";
  ucnv_cbFromUWriteBytes(args, kDefaults, length > 1 ? 2 : 1, 0, error);
}

// windows-936 is Microsoft's table (the euro sign as 0x80); the fallbacks are
// its best-fit look-alikes, used by WideCharToMultiByte without
// WC_NO_BEST_FIT_CHARS.
Converter open_code_page_936() {
  UErrorCode error = U_ZERO_ERROR;
  Converter converter(ucnv_open("windows-936", &error));
  if (U_FAILURE(error)) return nullptr;
  ucnv_setFallback(converter.get(), true);
  ucnv_setFromUCallBack(converter.get(), write_default_characters, nullptr, nullptr, nullptr, &error);
  if (U_FAILURE(error)) return nullptr;
  return converter;
}

const UNormalizer2* nfc() {
  UErrorCode error = U_ZERO_ERROR;
  return unorm2_getNFCInstance(&error);
}

// ICU's fallbacks that Windows' best-fit table lacks: the half-width arrows
// and the half-width white circle, which ICU sends to control characters.
struct UnitRange {
  char16_t first;
  char16_t last;
};
constexpr UnitRange kFallbacksWindowsLacks[] = {{0xFFE9, 0xFFEC}, {0xFFEE, 0xFFEE}};

class UnitSet {
 public:
  void add(char16_t unit) { bits_[unit >> 6] |= std::uint64_t{1} << (unit & 63); }
  bool contains(char16_t unit) const { return (bits_[unit >> 6] >> (unit & 63)) & 1; }

 private:
  std::array<std::uint64_t, 0x10000 / 64> bits_{};
};

// What the step before the conversion needs, found once: which units can be the
// second of a composition pair, which need replacing, and which characters code
// page 936 holds (look-alikes included).
class PreparationData {
 public:
  PreparationData() {
    const UNormalizer2* normalizer = nfc();
    for (std::uint32_t unit = 0x0300; unit <= 0xFFFF; ++unit) {
      if (U16_IS_SURROGATE(unit) || unorm2_hasBoundaryBefore(normalizer, static_cast<UChar32>(unit)))
        continue;
      composes_backwards_.add(static_cast<char16_t>(unit));
      attention_.add(static_cast<char16_t>(unit));
    }
    for (const auto& range : kFallbacksWindowsLacks) {
      for (char16_t unit = range.first; unit <= range.last; ++unit) attention_.add(unit);
    }
    UErrorCode error = U_ZERO_ERROR;
    const Converter converter = open_code_page_936();
    held_.reset(uset_openEmpty());
    if (converter) ucnv_getUnicodeSet(converter.get(), held_.get(), UCNV_ROUNDTRIP_AND_FALLBACK_SET, &error);
  }

  // True for a unit that composes with the one before it or needs replacing.
  bool needs_attention(char16_t unit) const { return attention_.contains(unit); }
  bool composes_backwards(char16_t unit) const { return composes_backwards_.contains(unit); }
  bool held_by_936(UChar32 c) const { return uset_contains(held_.get(), c); }

 private:
  UnitSet composes_backwards_;
  UnitSet attention_;
  CodePointSet held_;
};

const PreparationData& preparation_data() {
  static const PreparationData data;
  return data;
}

// WC_COMPOSITECHECK: a base and the mark right after it become their
// precomposed character where code page 936 can write that; otherwise both are
// converted on their own (WC_SEPCHARS). A composed character takes no further
// mark. Units with a foreign fallback become U+FFFD, which gives "?".
std::u16string prepared(const std::u16string& units) {
  const PreparationData& data = preparation_data();
  std::size_t first = 0;
  while (first < units.size() && !data.needs_attention(units[first])) ++first;
  if (first >= units.size()) return units;

  const UNormalizer2* normalizer = nfc();
  std::u16string out(units, 0, first > 0 ? first - 1 : 0);
  out.reserve(units.size());
  for (std::size_t i = out.size(); i < units.size(); ++i) {
    const char16_t unit = units[i];
    if (data.needs_attention(unit) && !data.composes_backwards(unit)) {
      out += u'\xFFFD';
      continue;
    }
    if (i + 1 < units.size() && data.composes_backwards(units[i + 1]) && !U16_IS_SURROGATE(unit)) {
      const UChar32 pair = unorm2_composePair(normalizer, unit, units[i + 1]);
      if (pair >= 0 && pair <= 0xFFFF && data.held_by_936(pair)) {
        out += static_cast<char16_t>(pair);
        ++i;
        continue;
      }
    }
    out += unit;
  }
  return out;
}

// Malformed bytes become U+FFFD, as MultiByteToWideChar does without
// MB_ERR_INVALID_CHARS.
std::u16string utf8_units(const char* bytes, std::int32_t length) {
  std::u16string units(static_cast<std::size_t>(length), u'\0');
  std::int32_t written = 0;
  UErrorCode error = U_ZERO_ERROR;
  u_strFromUTF8WithSub(units.data(), length, &written, bytes, length, 0xFFFD, nullptr, &error);
  if (U_FAILURE(error)) return {};
  units.resize(static_cast<std::size_t>(written));
  return units;
}

std::string units_to_936(const std::u16string& units) {
  if (units.empty()) return {};
  const Converter converter = open_code_page_936();
  if (!converter) return {};
  // At most two bytes a unit: a double-byte character, or two "?" for a pair.
  std::string out(units.size() * 2, '\0');
  char* target = out.data();
  const UChar* source = units.data();
  UErrorCode error = U_ZERO_ERROR;
  ucnv_fromUnicode(converter.get(), &target, out.data() + out.size(), &source, source + units.size(), nullptr,
                   true, &error);
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
  if (length == 0) return Text();
  const std::u16string units =
      utf8_units(reinterpret_cast<const char*>(body.data()), static_cast<std::int32_t>(length));
  return Text(units_to_936(prepared(units)));
}
