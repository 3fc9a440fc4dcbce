#include "common/text.h"

#include <cstring>

Text::Text(const char* c_string) {
  if (c_string != nullptr) bytes_.assign(c_string);
}

Text::Text(std::string_view bytes) : bytes_(bytes.substr(0, bytes.find('\0'))) {}

ByteSet bytes_of(std::string_view text) { return ByteSet(text.begin(), text.end()); }

Text text_of(const ByteSet& bytes) {
  return Text(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}
