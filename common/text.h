// Value types shared by every part of the program: Text, ByteSet (TextArray is
// in text_array.h).
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
  Text(std::string&& bytes);  // takes the bytes over, without a copy

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
