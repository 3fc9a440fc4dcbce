#include "common/text.h"

#include <cstring>

#include "common/fatal.h"

Text::Text(const char* c_string) {
  if (c_string != nullptr) bytes_.assign(c_string);
}

Text::Text(std::string_view bytes) : bytes_(bytes.substr(0, bytes.find('\0'))) {}

ByteSet bytes_of(std::string_view text) { return ByteSet(text.begin(), text.end()); }

Text text_of(const ByteSet& bytes) {
  return Text(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

void TextArray::check_index(std::int32_t index) const {
  if (index < 1 || index > count()) fatal_error(std::nullopt, list_subscript_message(index, count()));
}

Text& TextArray::operator[](std::int32_t index) {
  check_index(index);
  return items_[static_cast<std::size_t>(index - 1)];
}

const Text& TextArray::operator[](std::int32_t index) const {
  check_index(index);
  return items_[static_cast<std::size_t>(index - 1)];
}

void TextArray::remove(std::int32_t index) {
  check_index(index);
  items_.erase(items_.begin() + (index - 1));
}
