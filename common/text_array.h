// TextArray, apart from Text: its out-of-range index is a fatal error, and
// fatal.h itself is written in terms of Text.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "common/text.h"

// A list of Text indexed from 1 to count(). An index outside that range is a
// fatal error of the program, never undefined behaviour.
class TextArray {
 public:
  TextArray() = default;
  TextArray(std::initializer_list<Text> items) : items_(items) {}

  std::int32_t count() const { return static_cast<std::int32_t>(items_.size()); }
  Text& operator[](std::int32_t index);
  const Text& operator[](std::int32_t index) const;
  void append(Text item) { items_.push_back(std::move(item)); }
  // Every later element moves up one place.
  void remove(std::int32_t index);

  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }
  friend bool operator==(const TextArray&, const TextArray&) = default;

 private:
  void check_index(std::int32_t index) const;
  std::vector<Text> items_;
};
