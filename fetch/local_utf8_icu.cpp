#include "fetch/local_utf8.h"

#include <unicode/ucnv.h>

#include <memory>

namespace {

struct ConverterRelease {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterRelease>;

}  // namespace

std::string local_to_utf8(const Text& text) {
  if (text.empty()) return {};
  UErrorCode error = U_ZERO_ERROR;
  const Converter from(ucnv_open("windows-936", &error));
  const Converter to(ucnv_open("UTF-8", &error));
  if (U_FAILURE(error)) return {};
  // Each byte of code page 936 gives at most three bytes of UTF-8.
  std::string utf8(text.bytes().size() * 3, '\0');
  char* target = utf8.data();
  const char* source = text.bytes().data();
  ucnv_convertEx(to.get(), from.get(), &target, utf8.data() + utf8.size(), &source,
                 source + text.bytes().size(), nullptr, nullptr, nullptr, nullptr, true, true, &error);
  if (U_FAILURE(error)) return {};
  utf8.resize(static_cast<std::size_t>(target - utf8.data()));
  return utf8;
}
