#include "common/text.h"

#include <cstring>

Text::Text(const char* c_string) {
  if (c_string != nullptr) bytes_.assign(c_string);
}

Text::Text(std::string_view bytes) : bytes_(bytes.substr(0, bytes.find('\0'))) {}
