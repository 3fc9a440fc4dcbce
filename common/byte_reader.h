// A bounds-checked little-endian reader over [data, data + size), for the
// formats the program carries (the layout block, the skin). A read that would
// step past the end fails, returns zero or nothing, and every later read
// fails too, so a caller may read a run of fields and check ok() once.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

class ByteReader {
 public:
  ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool ok() const { return ok_; }
  std::size_t position() const { return position_; }
  std::size_t remaining() const { return ok_ ? size_ - position_ : 0; }
  bool at_end() const { return ok_ && position_ == size_; }
  // Marks the data malformed, for a check the caller makes itself.
  void fail() { ok_ = false; }

  std::uint8_t u8() {
    const std::uint8_t* p = take(1);
    return p == nullptr ? 0 : p[0];
  }
  std::uint16_t u16() {
    const std::uint8_t* p = take(2);
    return p == nullptr ? 0 : static_cast<std::uint16_t>(p[0] | p[1] << 8);
  }
  std::uint32_t u32() {
    const std::uint8_t* p = take(4);
    if (p == nullptr) return 0;
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
  }
  std::int32_t i32() { return static_cast<std::int32_t>(u32()); }

  // The next `count` bytes, or null (and failed) when fewer are left.
  const std::uint8_t* take(std::size_t count) {
    if (!ok_ || count > size_ - position_) {
      ok_ = false;
      return nullptr;
    }
    const std::uint8_t* start = data_ + position_;
    position_ += count;
    return start;
  }
  // A NUL-terminated text without its terminator, which must lie inside the data.
  std::string_view c_text() {
    if (!ok_) return {};
    const std::uint8_t* begin = data_ + position_;
    const std::uint8_t* end = std::find(begin, data_ + size_, 0);
    if (end == data_ + size_) {
      ok_ = false;
      return {};
    }
    position_ += static_cast<std::size_t>(end - begin) + 1;
    return {reinterpret_cast<const char*>(begin), static_cast<std::size_t>(end - begin)};
  }
  // Everything not read yet.
  std::string_view rest() {
    const std::size_t count = remaining();
    const std::uint8_t* start = take(count);
    return {reinterpret_cast<const char*>(start), start == nullptr ? 0 : count};
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t position_ = 0;
  bool ok_ = true;
};
