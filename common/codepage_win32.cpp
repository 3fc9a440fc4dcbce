#include "common/codepage_win32.h"

#include <windows.h>

std::wstring local_to_wide(const Text& text) {
  if (text.empty()) return {};
  // Size first, then convert into a buffer of exactly that size.
  const int units = MultiByteToWideChar(kLocalCodePage, 0, text.c_str(), text.length(), nullptr, 0);
  if (units <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  MultiByteToWideChar(kLocalCodePage, 0, text.c_str(), text.length(), wide.data(), units);
  return wide;
}

Text wide_to_local(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int bytes = WideCharToMultiByte(kLocalCodePage, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string local(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(kLocalCodePage, 0, wide.data(), size, local.data(), bytes, nullptr, nullptr);
  return Text(local);
}
