#include "shell/layout_writer.h"

#include <algorithm>
#include <string_view>
#include <type_traits>
#include <variant>

#include "common/byte_writer.h"

namespace layout {
namespace {

class FieldWriter {
 public:
  void word(std::uint32_t value) { out_.u32(value); }
  void word(std::int32_t value) { out_.u32(static_cast<std::uint32_t>(value)); }
  void half(std::uint16_t value) { out_.u16(value); }
  template <std::size_t N>
  void words(const std::array<std::uint32_t, N>& values) {
    for (auto value : values) word(value);
  }
  void c_text(const Bytes& text) {
    // A NUL inside would end the text early on reading: write up to it.
    out_.raw(std::string_view(text.c_str()));
    out_.u8(0);
  }
  void bytes(const ByteSet& bytes) {
    word(static_cast<std::uint32_t>(bytes.size()));
    raw(bytes);
  }
  void text(const Bytes& text) {
    word(static_cast<std::uint32_t>(text.size()));
    out_.raw(text);
  }
  template <typename Item, typename Visit>
  void list(const std::vector<Item>& items, std::size_t, Visit visit) {
    word(static_cast<std::uint32_t>(items.size()));
    for (const auto& item : items) visit(item);
  }
  void raw(const ByteSet& bytes) { out_.raw(bytes); }
  ByteSet& out() { return out_.out(); }

 private:
  ByteWriter out_;
};

void write_kind_data(FieldWriter& w, const KindData& data) {
  std::visit(
      [&w](const auto& d) {
        using Data = std::decay_t<decltype(d)>;
        if constexpr (std::is_same_v<Data, UnusableData>) {
          w.raw(d.bytes);
        } else {
          w.word(d.version);
          kind_fields(w, d);
        }
      },
      data);
}

ByteSet write_record_body(const UnitRecord& u) {
  FieldWriter w;
  record_fields(w, u);
  write_kind_data(w, u.data);
  return std::move(w.out());
}

}  // namespace

ByteSet encode_window_layout(const WindowLayout& layout) {
  FieldWriter area;
  std::vector<std::uint32_t> offsets;
  for (const auto& unit : layout.units) {
    offsets.push_back(static_cast<std::uint32_t>(area.out().size()));
    area.bytes(write_record_body(unit));
  }
  FieldWriter w;
  header_fields(w, layout);
  w.word(static_cast<std::uint32_t>(layout.units.size()));
  w.word(static_cast<std::uint32_t>(layout.units.size() * 8 + area.out().size()));
  for (std::size_t i = 0; i < layout.units.size(); ++i)
    w.word(i < layout.unit_ids.size() ? layout.unit_ids[i] : 0);
  for (auto offset : offsets) w.word(offset);
  w.raw(area.out());
  return std::move(w.out());
}

ByteSet font_field(std::int32_t height, std::int32_t weight, bool underline, std::uint8_t char_set,
                   std::uint8_t quality, const Text& face_name) {
  FieldWriter w;
  w.word(height);
  w.word(0);
  w.word(0);
  w.word(0);
  w.word(weight);
  ByteSet flags{0, static_cast<std::uint8_t>(underline ? 1 : 0), 0, char_set, 0, 0, quality, 0};
  w.raw(flags);
  ByteSet face(32, 0);
  std::copy_n(face_name.bytes().begin(), std::min<std::size_t>(31, face_name.bytes().size()), face.begin());
  w.raw(face);
  return std::move(w.out());
}

}  // namespace layout
