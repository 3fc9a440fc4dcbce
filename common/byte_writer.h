// The little-endian writer beside ByteReader: the layout block and the skin
// are written with it, field by field, in the order ByteReader reads them.
#pragma once

#include <cstdint>
#include <vector>

class ByteWriter {
 public:
  void u8(std::uint8_t value) { out_.push_back(value); }
  void u16(std::uint16_t value) {
    u8(static_cast<std::uint8_t>(value));
    u8(static_cast<std::uint8_t>(value >> 8));
  }
  void u32(std::uint32_t value) {
    u16(static_cast<std::uint16_t>(value));
    u16(static_cast<std::uint16_t>(value >> 16));
  }
  // Bytes (or characters) as they are, without a count.
  template <typename Range>
  void raw(const Range& bytes) {
    out_.insert(out_.end(), bytes.begin(), bytes.end());
  }

  std::vector<std::uint8_t>& out() { return out_; }

 private:
  std::vector<std::uint8_t> out_;
};
