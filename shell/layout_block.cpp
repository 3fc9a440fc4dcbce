#include "shell/layout_block.h"

#include <algorithm>
#include <concepts>
#include <string_view>
#include <type_traits>

#include "common/byte_reader.h"

namespace layout {
namespace {

// One description of every field, in block order, drives both directions:
// FieldReader fills the fields from bytes, FieldWriter writes them out, so the
// reader and the writer cannot drift apart. Each visit below takes its data as
// `D&`, a const one when writing.
template <typename D, typename T>
concept FieldsOf = std::same_as<std::remove_const_t<D>, T>;

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

class FieldWriter {
 public:
  void word(std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out_.push_back(static_cast<std::uint8_t>(value >> shift));
  }
  void word(std::int32_t value) { word(static_cast<std::uint32_t>(value)); }
  void half(std::uint16_t value) {
    out_.push_back(static_cast<std::uint8_t>(value));
    out_.push_back(static_cast<std::uint8_t>(value >> 8));
  }
  template <std::size_t N>
  void words(const std::array<std::uint32_t, N>& values) {
    for (auto value : values) word(value);
  }
  void c_text(const Bytes& text) {
    // A NUL inside would end the text early on reading: write up to it.
    const auto end = std::find(text.begin(), text.end(), '\0');
    out_.insert(out_.end(), text.begin(), end);
    out_.push_back(0);
  }
  void bytes(const ByteSet& bytes) {
    word(static_cast<std::uint32_t>(bytes.size()));
    raw(bytes);
  }
  void text(const Bytes& text) {
    word(static_cast<std::uint32_t>(text.size()));
    out_.insert(out_.end(), text.begin(), text.end());
  }
  template <typename Item, typename Visit>
  void list(const std::vector<Item>& items, std::size_t, Visit visit) {
    word(static_cast<std::uint32_t>(items.size()));
    for (const auto& item : items) visit(item);
  }
  void raw(const ByteSet& bytes) { out_.insert(out_.end(), bytes.begin(), bytes.end()); }
  ByteSet& out() { return out_; }

 private:
  ByteSet out_;
};

// ---- kind data, after the version word ----

template <typename Io, FieldsOf<WindowData> D>
void kind_fields(Io& io, D& d) {
  io.word(d.border_style);
  io.word(d.word_one);
  io.word(d.background_colour);
  io.word(d.maximize_box);
  io.word(d.minimize_box);
  io.word(d.control_box);
  io.word(d.start_position);
  io.word(d.close_allowed);
  io.words(d.words);
  if (d.version >= 2) io.word(d.shown_in_taskbar);
  if (d.version >= 3) io.words(d.words_v3);
  if (d.version >= 4) io.word(d.always_on_top);
  if (d.version >= 5) io.word(d.word_v5);
  if (d.version >= 6) io.text(d.class_name);
  io.bytes(d.background_picture);
  io.bytes(d.icon);
  io.bytes(d.background_sound);
  io.text(d.caption);
  io.text(d.last_text);
}

template <typename Io, FieldsOf<EditBoxData> D>
void kind_fields(Io& io, D& d) {
  io.word(d.border_style);
  io.word(d.text_colour);
  io.word(d.background_colour);
  io.word(d.hide_selection);
  io.word(d.max_length);
  io.word(d.multi_line);
  io.word(d.scroll_bars);
  io.word(d.alignment);
  io.word(d.input_mode);
  io.half(d.password_char);
  io.word(d.case_conversion);
  io.word(d.spinner_mode);
  io.word(d.spinner_lower);
  io.word(d.spinner_upper);
  io.word(d.selection_start);
  io.word(d.selected_length);
  io.bytes(d.font);
  io.text(d.content);
  if (d.version >= 2) {
    io.text(d.extra_text_1);
    io.text(d.extra_text_2);
  }
}

template <typename Io, FieldsOf<PicBoxData> D>
void kind_fields(Io& io, D& d) {
  io.word(d.border_style);
  io.word(d.background_colour);
  io.word(d.display_mode);
  io.word(d.flag);
  io.bytes(d.picture);
  if (d.version >= 2) {
    io.text(d.extra_text_1);
    io.text(d.extra_text_2);
  }
}

template <typename Io, FieldsOf<ShapeBoxData> D>
void kind_fields(Io& io, D& d) {
  io.word(d.background_colour);
  io.word(d.shape);
  io.word(d.effect_3d);
  io.word(d.line_type);
  io.word(d.line_width);
  io.word(d.line_colour);
  io.word(d.fill_colour);
}

template <typename Io, FieldsOf<LabelData> D>
void kind_fields(Io& io, D& d) {
  io.words(d.words);
  io.bytes(d.first_bytes);
  io.bytes(d.font);
  io.text(d.caption);
  if (d.version >= 2) {
    io.text(d.extra_text_1);
    io.text(d.extra_text_2);
  }
}

template <typename Io, FieldsOf<ButtonData> D>
void kind_fields(Io& io, D& d) {
  io.word(d.button_type);
  io.word(d.horizontal_alignment);
  io.word(d.vertical_alignment);
  io.bytes(d.picture);
  io.bytes(d.font);
  io.text(d.caption);
}

template <typename Io, FieldsOf<HyperLinkerData> D>
void kind_fields(Io& io, D& d) {
  io.word(d.link_type);
  io.word(d.normal_colour);
  io.word(d.visited_colour);
  io.word(d.hover_colour);
  io.word(d.background_colour);
  io.word(d.border_style);
  io.bytes(d.font);
  io.text(d.caption);
  io.text(d.email_address);
  io.text(d.web_address);
}

// ---- the common part of a record, before the kind data ----

template <typename Io, FieldsOf<UnitRecord> U>
void record_fields(Io& io, U& u) {
  io.word(u.kind);
  io.words(u.runtime_words);
  io.c_text(u.name);
  io.c_text(u.second_name);
  io.word(u.object_slot);
  io.word(u.left);
  io.word(u.top);
  io.word(u.width);
  io.word(u.height);
  io.word(u.rect_slot);
  io.word(u.parent);
  io.list(u.children, 4, [&io](auto& child) { io.word(child); });
  io.bytes(u.pointer);
  io.c_text(u.tag);
  io.words(u.state);
  io.list(u.events, 8, [&io](auto& binding) {
    io.word(binding.event);
    io.word(binding.handler);
  });
  io.words(u.tail_words);
}

// ---- the block's header, before the unit count ----

template <typename Io, FieldsOf<WindowLayout> L>
void header_fields(Io& io, L& layout) {
  io.word(layout.format);
  io.word(layout.window_id);
  io.words(layout.design_words);
}

template <typename Data>
KindData read_known_kind(const ByteSet& bytes) {
  FieldReader r(bytes.data(), bytes.size());
  Data d;
  r.word(d.version);
  // A version above the kind's highest: that unit fails to load.
  if (!r.in().ok() || d.version > Data{}.version) return UnusableData{bytes};
  kind_fields(r, d);
  if (!r.in().at_end()) return UnusableData{bytes};
  return d;
}

KindData read_kind_data(std::uint32_t kind, const ByteSet& bytes) {
  switch (static_cast<UnitKind>(kind)) {
    case UnitKind::kWindow:
      return read_known_kind<WindowData>(bytes);
    case UnitKind::kEditBox:
      return read_known_kind<EditBoxData>(bytes);
    case UnitKind::kPicBox:
      return read_known_kind<PicBoxData>(bytes);
    case UnitKind::kShapeBox:
      return read_known_kind<ShapeBoxData>(bytes);
    case UnitKind::kLabel:
      return read_known_kind<LabelData>(bytes);
    case UnitKind::kButton:
      return read_known_kind<ButtonData>(bytes);
    case UnitKind::kHyperLinker:
      return read_known_kind<HyperLinkerData>(bytes);
  }
  return UnusableData{bytes};
}

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

ByteSet write_record_body(const UnitRecord& u) {
  FieldWriter w;
  record_fields(w, u);
  write_kind_data(w, u.data);
  return std::move(w.out());
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

std::uint32_t highest_version(std::uint32_t kind) {
  switch (static_cast<UnitKind>(kind)) {
    case UnitKind::kWindow:
      return WindowData{}.version;
    case UnitKind::kEditBox:
      return EditBoxData{}.version;
    case UnitKind::kPicBox:
      return PicBoxData{}.version;
    case UnitKind::kShapeBox:
      return ShapeBoxData{}.version;
    case UnitKind::kLabel:
      return LabelData{}.version;
    case UnitKind::kButton:
      return ButtonData{}.version;
    case UnitKind::kHyperLinker:
      return HyperLinkerData{}.version;
  }
  return 0;
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

std::vector<std::uint32_t> record_offsets(const WindowLayout& layout) {
  std::vector<std::uint32_t> offsets;
  std::uint32_t offset = 0;
  for (const auto& unit : layout.units) {
    offsets.push_back(offset);
    offset += 4 + static_cast<std::uint32_t>(write_record_body(unit).size());
  }
  return offsets;
}

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

std::optional<FontSpec> font_from_field(const ByteSet& field) {
  if (field.size() != kFontFieldSize) return std::nullopt;
  ByteReader r(field.data(), field.size());
  FontSpec font;
  font.height = r.i32();
  font.width = r.i32();
  font.escapement = r.i32();
  font.orientation = r.i32();
  font.weight = r.i32();
  font.italic = r.u8();
  font.underline = r.u8();
  font.strike_out = r.u8();
  // Charset, precisions, quality and pitch are replaced by FontSpec's values.
  r.take(5);
  const std::uint8_t* face = r.take(32);
  font.face_name = Text(std::string_view(reinterpret_cast<const char*>(face), 32));
  return font;
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

Text hyperlink_target(const HyperLinkerData& link) {
  if (link.link_type == 1) return Text(link.web_address);
  const Text address(link.email_address);
  return address.empty() ? Text() : Text("mailto:") + address;
}

PictureRect fit_picture(std::int32_t box_width, std::int32_t box_height, std::int32_t picture_width,
                        std::int32_t picture_height) {
  PictureRect rect{0, 0, picture_width, picture_height};
  if (picture_width <= 0 || picture_height <= 0 || box_width <= 0 || box_height <= 0) return {};
  if (picture_width > box_width || picture_height > box_height) {
    // Compare box_w / pic_w with box_h / pic_h exactly, in 64-bit integers.
    const std::int64_t by_width = std::int64_t{box_width} * picture_height;
    const std::int64_t by_height = std::int64_t{box_height} * picture_width;
    if (by_width <= by_height) {
      rect.width = box_width;
      rect.height = static_cast<std::int32_t>(std::int64_t{picture_height} * box_width / picture_width);
    } else {
      rect.height = box_height;
      rect.width = static_cast<std::int32_t>(std::int64_t{picture_width} * box_height / picture_height);
    }
  }
  rect.left = (box_width - rect.width) / 2;
  rect.top = (box_height - rect.height) / 2;
  return rect;
}

}  // namespace layout
