#include "shell/layout_block.h"

#include <string_view>

#include "common/byte_reader.h"

namespace layout {
namespace {

// Fills the fields of layout_block.h and layout_kinds.h from the block, failing (and staying
// failed) rather than reading past the end.
class FieldReader {
 public:
  FieldReader(const std::uint8_t* data, std::size_t size) : in_(data, size) {}
  ByteReader& in() { return in_; }

  void word(std::uint32_t& value) { value = in_.u32(); }
  void word(std::int32_t& value) { value = in_.i32(); }
  void half(std::uint16_t& value) { value = in_.u16(); }
  template <std::size_t N>
  void words(std::array<std::uint32_t, N>& values) {
    for (auto& value : values) word(value);
  }
  void c_text(Bytes& text) { text = Bytes(in_.c_text()); }
  void bytes(ByteSet& bytes) {
    const std::uint32_t count = in_.u32();
    const std::uint8_t* start = in_.take(count);
    bytes = start == nullptr ? ByteSet{} : ByteSet(start, start + count);
  }
  void text(Bytes& text) {
    ByteSet counted;
    bytes(counted);
    text = Bytes(counted.begin(), counted.end());
  }
  // A count, then that many items of at least `item_size` bytes each; a count
  // the rest of the data cannot hold fails at once.
  template <typename Item, typename Visit>
  void list(std::vector<Item>& items, std::size_t item_size, Visit visit) {
    const std::uint32_t count = in_.u32();
    if (count > in_.remaining() / item_size) {
      in_.fail();
      return;
    }
    items.resize(count);
    for (auto& item : items) visit(item);
  }

 private:
  ByteReader in_;
};

template <typename Data>
KindData read_known_kind(const ByteSet& bytes) {
  FieldReader r(bytes.data(), bytes.size());
  Data d{};
  r.word(d.version);
  // A version above the kind's highest: that unit fails to load.
  if (!r.in().ok() || d.version > Data::kHighestVersion) return UnusableData{bytes};
  kind_fields(r, d);
  if (!r.in().at_end()) return UnusableData{bytes};
  return d;
}

// The kind data of a record of kind `kind`: UnusableData for a kind the table
// does not hold.
KindData read_kind_data(std::uint32_t kind, const ByteSet& bytes) {
  KindData data = UnusableData{bytes};
  for_each_kind([&](auto type) {
    using Data = typename decltype(type)::type;
    if (Data::kLayoutId == kind) data = read_known_kind<Data>(bytes);
  });
  return data;
}

// ---- records ----

std::optional<UnitRecord> read_record(const std::uint8_t* body, std::size_t size) {
  FieldReader r(body, size);
  UnitRecord u;
  record_fields(r, u);
  if (!r.in().ok()) return std::nullopt;
  const std::string_view rest = r.in().rest();
  u.data = read_kind_data(u.kind, ByteSet(rest.begin(), rest.end()));
  return u;
}

}  // namespace

std::int32_t UnitRecord::handler_for(std::int32_t event) const {
  for (const auto& binding : events) {
    if (binding.event == event) return binding.handler;
  }
  return kNoHandler;
}

const UnitRecord* WindowLayout::find_unit(std::uint32_t unit_id) const {
  for (std::size_t i = 0; i < unit_ids.size() && i < units.size(); ++i) {
    if (unit_ids[i] == unit_id) return &units[i];
  }
  return nullptr;
}

std::optional<WindowLayout> decode_window_layout(const std::uint8_t* data, std::size_t size) {
  if (data == nullptr) return std::nullopt;
  FieldReader header(data, size);
  WindowLayout layout;
  header_fields(header, layout);
  const std::uint32_t unit_count = header.in().u32();
  const std::uint32_t following = header.in().u32();
  if (!header.in().ok() || following != header.in().remaining()) return std::nullopt;
  // Identifiers and offsets alone take 8 bytes a unit.
  if (unit_count > following / 8) return std::nullopt;

  const std::uint8_t* table_start = data + header.in().position();
  ByteReader table(table_start, following);
  std::vector<std::uint32_t> offsets;
  for (std::uint32_t i = 0; i < unit_count; ++i) layout.unit_ids.push_back(table.u32());
  for (std::uint32_t i = 0; i < unit_count; ++i) offsets.push_back(table.u32());
  if (!table.ok()) return std::nullopt;

  const std::uint8_t* area = table_start + table.position();
  const std::size_t area_size = table.remaining();
  for (std::uint32_t offset : offsets) {
    if (offset > area_size) return std::nullopt;
    ByteReader record(area + offset, area_size - offset);
    const std::uint32_t length = record.u32();
    const std::uint8_t* body = record.take(length);
    if (body == nullptr) return std::nullopt;
    auto unit = read_record(body, length);
    if (!unit) return std::nullopt;
    layout.units.push_back(std::move(*unit));
  }
  return layout;
}

}  // namespace layout
