#include "common/text_array.h"

#include "common/fatal.h"

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
