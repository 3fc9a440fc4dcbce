#include "common/text.h"

#include <cstring>
#include <utility>

Text::Text(const char* c_string) {
  if (c_string != nullptr) bytes_.assign(c_string);
}

Text::Text(std::string_view bytes) : bytes_(bytes.substr(0, bytes.find('\0'))) {}

Text::Text(std::string&& bytes) : bytes_(std::move(bytes)) {
  const std::size_t nul = bytes_.find('\0');
  if (nul != std::string::npos) bytes_.resize(nul);
}
