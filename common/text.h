// Value types shared by every part of the program: Text, ByteSet, TextArray.
#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A byte string in code page 936. It never holds a NUL byte: whatever is
// assigned to it ends at the first NUL, as a C string would. The empty Text and
// "no string" are the same value.
class Text {
 public:
  Text() = default;
  Text(const char* c_string);  // NOLINT(google-explicit-constructor): literals read naturally
  Text(std::string_view bytes);
  Text(const std::string& bytes) : Text(std::string_view(bytes)) {}

  const std::string& bytes() const { return bytes_; }
  const char* c_str() const { return bytes_.c_str(); }
  std::string_view view() const { return bytes_; }
  std::int32_t length() const { return static_cast<std::int32_t>(bytes_.size()); }
  bool empty() const { return bytes_.empty(); }
  unsigned char byte_at(std::int32_t index0) const { return static_cast<unsigned char>(bytes_[index0]); }

  Text& operator+=(const Text& other) {
    bytes_ += other.bytes_;
    return *this;
  }
  friend Text operator+(Text left, const Text& right) { return left += right; }

  // Byte by byte as unsigned values, case-sensitive (std::string compares with memcmp).
  friend bool operator==(const Text&, const Text&) = default;
  friend std::strong_ordering operator<=>(const Text& left, const Text& right) {
    return left.bytes_.compare(right.bytes_) <=> 0;
  }

 private:
  std::string bytes_;
};

// A length-counted buffer of bytes; may hold NULs.
using ByteSet = std::vector<std::uint8_t>;

ByteSet bytes_of(std::string_view text);
// The bytes up to the first NUL, or all of them when there is none.
Text text_of(const ByteSet& bytes);

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
