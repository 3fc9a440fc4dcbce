// Code-page conversion: the one pair over MultiByteToWideChar and
// WideCharToMultiByte, and the code page 936 forms our texts cross to and from
// the W APIs with.
//
// The platform's quirks, settled here once:
// - Lengths are ints: an input longer than INT_MAX cannot be converted and gives
//   the empty result.
// - Both calls return 0 for an empty input (with an error) as for a failure, so
//   an empty input is answered without a call.
// - Each call is made twice: with no buffer to learn the exact size, then into
//   a buffer of that size. The explicit length means no terminator is read or
//   written; NULs inside the input are converted like any other character.
// - Without MB_ERR_INVALID_CHARS malformed input never fails: the platform
//   substitutes (U+FFFD for UTF-8). Without WC_NO_BEST_FIT_CHARS a character the
//   code page lacks becomes a look-alike where one is defined, otherwise the
//   code page's default character ("?"), and no one is told.
// - UTF-8 (65001) and a few other code pages take no flags but
//   MB_ERR_INVALID_CHARS / WC_ERR_INVALID_CHARS: anything else fails the call.
#pragma once

#include <windows.h>

#include <climits>
#include <string>
#include <string_view>

#include "common/text.h"

// `bytes` in `code_page` as UTF-16; empty when there is nothing to convert or
// the conversion fails.
inline std::wstring to_wide(UINT code_page, DWORD flags, std::string_view bytes) {
  if (bytes.empty() || bytes.size() > static_cast<std::size_t>(INT_MAX)) return {};
  const int length = static_cast<int>(bytes.size());
  const int units = MultiByteToWideChar(code_page, flags, bytes.data(), length, nullptr, 0);
  if (units <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  const int written = MultiByteToWideChar(code_page, flags, bytes.data(), length, wide.data(), units);
  wide.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
  return wide;
}

// UTF-16 `wide` in `code_page`, with no default character of our own and no
// report of its use; empty when there is nothing to convert or it fails.
inline std::string from_wide(UINT code_page, DWORD flags, std::wstring_view wide) {
  if (wide.empty() || wide.size() > static_cast<std::size_t>(INT_MAX)) return {};
  const int length = static_cast<int>(wide.size());
  const int bytes = WideCharToMultiByte(code_page, flags, wide.data(), length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string narrow(static_cast<std::size_t>(bytes), '\0');
  const int written =
      WideCharToMultiByte(code_page, flags, wide.data(), length, narrow.data(), bytes, nullptr, nullptr);
  narrow.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
  return narrow;
}

inline constexpr UINT kCodePage936 = 936;

std::wstring gbk_to_wide(const Text& text);
Text wide_to_gbk(std::wstring_view wide);
