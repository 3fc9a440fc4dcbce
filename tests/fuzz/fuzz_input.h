// The fuzzers' shared pieces: a failed property stops the run (so libFuzzer
// keeps the input), and one input is cut into up to three texts at the byte
// 0x01, so a fuzzer can drive routines that take several texts.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "common/text.h"

inline void check(bool holds) {
  if (!holds) std::abort();
}

inline std::array<Text, 3> three_texts(const std::uint8_t* data, std::size_t size) {
  const std::string_view all(reinterpret_cast<const char*>(data), size);
  const std::size_t cut1 = all.find('\x01');
  const std::size_t cut2 = cut1 == std::string_view::npos ? cut1 : all.find('\x01', cut1 + 1);
  return {Text(all.substr(0, cut1)),
          Text(cut1 == std::string_view::npos ? std::string_view() : all.substr(cut1 + 1, cut2 - cut1 - 1)),
          Text(cut2 == std::string_view::npos ? std::string_view() : all.substr(cut2 + 1))};
}

inline bool starts_with(std::string_view text, std::string_view head) {
  return text.substr(0, head.size()) == head;
}
inline bool ends_with(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}
