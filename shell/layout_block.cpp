#include "shell/layout_block.h"

#include <algorithm>
#include <type_traits>

namespace layout {
namespace {

// Bounds-checked little-endian reader over [data, data + size). Every read
// fails (and stays failed) rather than step past the end.
class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool ok() const { return ok_; }
  std::size_t position() const { return position_; }
  std::size_t remaining() const { return ok_ ? size_ - position_ : 0; }
  bool at_end() const { return ok_ && position_ == size_; }

  std::uint32_t u32() {
    if (!take(4)) return 0;
    const std::uint8_t* p = data_ + position_ - 4;
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
  }
  std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
  std::uint16_t u16() {
    if (!take(2)) return 0;
    const std::uint8_t* p = data_ + position_ - 2;
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
  }
  template <std::size_t N>
  void words(std::array<std::uint32_t, N>& out) {
    for (auto& word : out) word = u32();
  }
  // NUL-terminated text; the terminator must lie inside the data.
  Bytes c_text() {
    if (!ok_) return {};
    const std::uint8_t* begin = data_ + position_;
    const std::uint8_t* end = std::find(begin, data_ + size_, 0);
    if (end == data_ + size_) return fail<Bytes>();
    Bytes text(reinterpret_cast<const char*>(begin), static_cast<std::size_t>(end - begin));
    position_ += text.size() + 1;
    return text;
  }
  ByteSet counted_bytes() {
    const std::uint32_t count = u32();
    if (!take(count)) return {};
    return ByteSet(data_ + position_ - count, data_ + position_);
  }
  Bytes counted_text() {
    const ByteSet bytes = counted_bytes();
    return Bytes(bytes.begin(), bytes.end());
  }
  ByteSet rest() {
    if (!ok_) return {};
    ByteSet bytes(data_ + position_, data_ + size_);
    position_ = size_;
    return bytes;
  }

 private:
  template <typename T>
  T fail() {
    ok_ = false;
    return T{};
  }
  bool take(std::size_t count) {
    if (!ok_ || count > size_ - position_) {
      ok_ = false;
      return false;
    }
    position_ += count;
    return true;
  }

  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t position_ = 0;
  bool ok_ = true;
};

class Writer {
 public:
  void u32(std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out_.push_back(static_cast<std::uint8_t>(value >> shift));
  }
  void i32(std::int32_t value) { u32(static_cast<std::uint32_t>(value)); }
  void u16(std::uint16_t value) {
    out_.push_back(static_cast<std::uint8_t>(value));
    out_.push_back(static_cast<std::uint8_t>(value >> 8));
  }
  template <std::size_t N>
  void words(const std::array<std::uint32_t, N>& values) {
    for (auto word : values) u32(word);
  }
  void c_text(const Bytes& text) {
    // A NUL inside would end the text early on reading: write up to it.
    const auto end = std::find(text.begin(), text.end(), '\0');
    out_.insert(out_.end(), text.begin(), end);
    out_.push_back(0);
  }
  void counted_bytes(const ByteSet& bytes) {
    u32(static_cast<std::uint32_t>(bytes.size()));
    raw(bytes);
  }
  void counted_text(const Bytes& text) {
    u32(static_cast<std::uint32_t>(text.size()));
    out_.insert(out_.end(), text.begin(), text.end());
  }
  void raw(const ByteSet& bytes) { out_.insert(out_.end(), bytes.begin(), bytes.end()); }
  ByteSet& bytes() { return out_; }

 private:
  ByteSet out_;
};

// ---- kind data ----

void read_kind(Reader& r, WindowData& d) {
  d.border_style = r.i32();
  d.word_one = r.u32();
  d.background_colour = r.u32();
  d.maximize_box = r.i32();
  d.minimize_box = r.i32();
  d.control_box = r.i32();
  d.start_position = r.i32();
  d.close_allowed = r.i32();
  r.words(d.words);
  if (d.version >= 2) d.shown_in_taskbar = r.i32();
  if (d.version >= 3) r.words(d.words_v3);
  if (d.version >= 4) d.always_on_top = r.i32();
  if (d.version >= 5) d.word_v5 = r.u32();
  if (d.version >= 6) d.class_name = r.counted_text();
  d.background_picture = r.counted_bytes();
  d.icon = r.counted_bytes();
  d.background_sound = r.counted_bytes();
  d.caption = r.counted_text();
  d.last_text = r.counted_text();
}
void write_kind(Writer& w, const WindowData& d) {
  w.i32(d.border_style);
  w.u32(d.word_one);
  w.u32(d.background_colour);
  w.i32(d.maximize_box);
  w.i32(d.minimize_box);
  w.i32(d.control_box);
  w.i32(d.start_position);
  w.i32(d.close_allowed);
  w.words(d.words);
  if (d.version >= 2) w.i32(d.shown_in_taskbar);
  if (d.version >= 3) w.words(d.words_v3);
  if (d.version >= 4) w.i32(d.always_on_top);
  if (d.version >= 5) w.u32(d.word_v5);
  if (d.version >= 6) w.counted_text(d.class_name);
  w.counted_bytes(d.background_picture);
  w.counted_bytes(d.icon);
  w.counted_bytes(d.background_sound);
  w.counted_text(d.caption);
  w.counted_text(d.last_text);
}

void read_kind(Reader& r, EditBoxData& d) {
  d.border_style = r.i32();
  d.text_colour = r.u32();
  d.background_colour = r.u32();
  d.hide_selection = r.i32();
  d.max_length = r.i32();
  d.multi_line = r.i32();
  d.scroll_bars = r.i32();
  d.alignment = r.i32();
  d.input_mode = r.i32();
  d.password_char = r.u16();
  d.case_conversion = r.i32();
  d.spinner_mode = r.i32();
  d.spinner_lower = r.i32();
  d.spinner_upper = r.i32();
  d.selection_start = r.i32();
  d.selected_length = r.i32();
  d.font = r.counted_bytes();
  d.content = r.counted_text();
  if (d.version >= 2) {
    d.extra_text_1 = r.counted_text();
    d.extra_text_2 = r.counted_text();
  }
}
void write_kind(Writer& w, const EditBoxData& d) {
  w.i32(d.border_style);
  w.u32(d.text_colour);
  w.u32(d.background_colour);
  w.i32(d.hide_selection);
  w.i32(d.max_length);
  w.i32(d.multi_line);
  w.i32(d.scroll_bars);
  w.i32(d.alignment);
  w.i32(d.input_mode);
  w.u16(d.password_char);
  w.i32(d.case_conversion);
  w.i32(d.spinner_mode);
  w.i32(d.spinner_lower);
  w.i32(d.spinner_upper);
  w.i32(d.selection_start);
  w.i32(d.selected_length);
  w.counted_bytes(d.font);
  w.counted_text(d.content);
  if (d.version >= 2) {
    w.counted_text(d.extra_text_1);
    w.counted_text(d.extra_text_2);
  }
}

void read_kind(Reader& r, PicBoxData& d) {
  d.border_style = r.i32();
  d.background_colour = r.u32();
  d.display_mode = r.i32();
  d.flag = r.i32();
  d.picture = r.counted_bytes();
  if (d.version >= 2) {
    d.extra_text_1 = r.counted_text();
    d.extra_text_2 = r.counted_text();
  }
}
void write_kind(Writer& w, const PicBoxData& d) {
  w.i32(d.border_style);
  w.u32(d.background_colour);
  w.i32(d.display_mode);
  w.i32(d.flag);
  w.counted_bytes(d.picture);
  if (d.version >= 2) {
    w.counted_text(d.extra_text_1);
    w.counted_text(d.extra_text_2);
  }
}

void read_kind(Reader& r, ShapeBoxData& d) {
  d.background_colour = r.u32();
  d.shape = r.i32();
  d.effect_3d = r.i32();
  d.line_type = r.i32();
  d.line_width = r.i32();
  d.line_colour = r.u32();
  d.fill_colour = r.u32();
}
void write_kind(Writer& w, const ShapeBoxData& d) {
  w.u32(d.background_colour);
  w.i32(d.shape);
  w.i32(d.effect_3d);
  w.i32(d.line_type);
  w.i32(d.line_width);
  w.u32(d.line_colour);
  w.u32(d.fill_colour);
}

void read_kind(Reader& r, LabelData& d) {
  r.words(d.words);
  d.first_bytes = r.counted_bytes();
  d.font = r.counted_bytes();
  d.caption = r.counted_text();
  if (d.version >= 2) {
    d.extra_text_1 = r.counted_text();
    d.extra_text_2 = r.counted_text();
  }
}
void write_kind(Writer& w, const LabelData& d) {
  w.words(d.words);
  w.counted_bytes(d.first_bytes);
  w.counted_bytes(d.font);
  w.counted_text(d.caption);
  if (d.version >= 2) {
    w.counted_text(d.extra_text_1);
    w.counted_text(d.extra_text_2);
  }
}

void read_kind(Reader& r, ButtonData& d) {
  d.button_type = r.i32();
  d.horizontal_alignment = r.i32();
  d.vertical_alignment = r.i32();
  d.picture = r.counted_bytes();
  d.font = r.counted_bytes();
  d.caption = r.counted_text();
}
void write_kind(Writer& w, const ButtonData& d) {
  w.i32(d.button_type);
  w.i32(d.horizontal_alignment);
  w.i32(d.vertical_alignment);
  w.counted_bytes(d.picture);
  w.counted_bytes(d.font);
  w.counted_text(d.caption);
}

void read_kind(Reader& r, HyperLinkerData& d) {
  d.link_type = r.i32();
  d.normal_colour = r.u32();
  d.visited_colour = r.u32();
  d.hover_colour = r.u32();
  d.background_colour = r.u32();
  d.border_style = r.i32();
  d.font = r.counted_bytes();
  d.caption = r.counted_text();
  d.email_address = r.counted_text();
  d.web_address = r.counted_text();
}
void write_kind(Writer& w, const HyperLinkerData& d) {
  w.i32(d.link_type);
  w.u32(d.normal_colour);
  w.u32(d.visited_colour);
  w.u32(d.hover_colour);
  w.u32(d.background_colour);
  w.i32(d.border_style);
  w.counted_bytes(d.font);
  w.counted_text(d.caption);
  w.counted_text(d.email_address);
  w.counted_text(d.web_address);
}

template <typename Data>
KindData read_known_kind(const ByteSet& bytes) {
  Reader r(bytes.data(), bytes.size());
  Data d;
  d.version = r.u32();
  // A version above the kind's highest: that unit fails to load.
  if (!r.ok() || d.version > Data{}.version) return UnusableData{bytes};
  read_kind(r, d);
  if (!r.at_end()) return UnusableData{bytes};
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

void write_kind_data(Writer& w, const KindData& data) {
  std::visit(
      [&w](const auto& d) {
        using Data = std::decay_t<decltype(d)>;
        if constexpr (std::is_same_v<Data, UnusableData>) {
          w.raw(d.bytes);
        } else {
          w.u32(d.version);
          write_kind(w, d);
        }
      },
      data);
}

// ---- records ----

std::optional<UnitRecord> read_record(const std::uint8_t* body, std::size_t size) {
  Reader r(body, size);
  UnitRecord u;
  u.kind = r.u32();
  r.words(u.runtime_words);
  u.name = r.c_text();
  u.second_name = r.c_text();
  u.object_slot = r.u32();
  u.left = r.i32();
  u.top = r.i32();
  u.width = r.i32();
  u.height = r.i32();
  u.rect_slot = r.u32();
  u.parent = r.u32();
  const std::uint32_t child_count = r.u32();
  if (child_count > r.remaining() / 4) return std::nullopt;
  for (std::uint32_t i = 0; i < child_count; ++i) u.children.push_back(r.u32());
  u.pointer = r.counted_bytes();
  u.tag = r.c_text();
  r.words(u.state);
  const std::uint32_t event_count = r.u32();
  if (event_count > r.remaining() / 8) return std::nullopt;
  for (std::uint32_t i = 0; i < event_count; ++i) {
    EventBinding binding;
    binding.event = r.i32();
    binding.handler = r.i32();
    u.events.push_back(binding);
  }
  r.words(u.tail_words);
  if (!r.ok()) return std::nullopt;
  u.data = read_kind_data(u.kind, r.rest());
  return u;
}

ByteSet write_record_body(const UnitRecord& u) {
  Writer w;
  w.u32(u.kind);
  w.words(u.runtime_words);
  w.c_text(u.name);
  w.c_text(u.second_name);
  w.u32(u.object_slot);
  w.i32(u.left);
  w.i32(u.top);
  w.i32(u.width);
  w.i32(u.height);
  w.u32(u.rect_slot);
  w.u32(u.parent);
  w.u32(static_cast<std::uint32_t>(u.children.size()));
  for (auto child : u.children) w.u32(child);
  w.counted_bytes(u.pointer);
  w.c_text(u.tag);
  w.words(u.state);
  w.u32(static_cast<std::uint32_t>(u.events.size()));
  for (const auto& binding : u.events) {
    w.i32(binding.event);
    w.i32(binding.handler);
  }
  w.words(u.tail_words);
  write_kind_data(w, u.data);
  return std::move(w.bytes());
}

std::int32_t read_le_i32(const std::uint8_t* p) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                                   static_cast<std::uint32_t>(p[2]) << 16 |
                                   static_cast<std::uint32_t>(p[3]) << 24);
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
  Reader header(data, size);
  WindowLayout layout;
  layout.format = header.u32();
  layout.window_id = header.u32();
  header.words(layout.design_words);
  const std::uint32_t unit_count = header.u32();
  const std::uint32_t following = header.u32();
  if (!header.ok() || following != header.remaining()) return std::nullopt;
  // Identifiers and offsets alone take 8 bytes a unit.
  if (unit_count > following / 8) return std::nullopt;

  Reader table(data + header.position(), following);
  std::vector<std::uint32_t> offsets;
  for (std::uint32_t i = 0; i < unit_count; ++i) layout.unit_ids.push_back(table.u32());
  for (std::uint32_t i = 0; i < unit_count; ++i) offsets.push_back(table.u32());
  if (!table.ok()) return std::nullopt;

  const std::uint8_t* area = data + header.position() + table.position();
  const std::size_t area_size = table.remaining();
  for (std::uint32_t offset : offsets) {
    if (offset > area_size || area_size - offset < 4) return std::nullopt;
    const auto length = static_cast<std::uint32_t>(read_le_i32(area + offset));
    if (length > area_size - offset - 4) return std::nullopt;
    auto unit = read_record(area + offset + 4, length);
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
  Writer area;
  std::vector<std::uint32_t> offsets;
  for (const auto& unit : layout.units) {
    offsets.push_back(static_cast<std::uint32_t>(area.bytes().size()));
    const ByteSet body = write_record_body(unit);
    area.counted_bytes(body);
  }
  Writer w;
  w.u32(layout.format);
  w.u32(layout.window_id);
  w.words(layout.design_words);
  w.u32(static_cast<std::uint32_t>(layout.units.size()));
  w.u32(static_cast<std::uint32_t>(layout.units.size() * 8 + area.bytes().size()));
  for (std::size_t i = 0; i < layout.units.size(); ++i)
    w.u32(i < layout.unit_ids.size() ? layout.unit_ids[i] : 0);
  for (auto offset : offsets) w.u32(offset);
  w.raw(area.bytes());
  return std::move(w.bytes());
}

std::optional<FontSpec> font_from_field(const ByteSet& field) {
  if (field.size() != kFontFieldSize) return std::nullopt;
  const std::uint8_t* p = field.data();
  FontSpec font;
  font.height = read_le_i32(p);
  font.width = read_le_i32(p + 4);
  font.escapement = read_le_i32(p + 8);
  font.orientation = read_le_i32(p + 12);
  font.weight = read_le_i32(p + 16);
  font.italic = p[20];
  font.underline = p[21];
  font.strike_out = p[22];
  // Bytes 23..27 (charset, precisions, quality, pitch) are replaced by FontSpec's values.
  const char* face = reinterpret_cast<const char*>(p + 28);
  font.face_name = Text(std::string_view(face, 32));
  return font;
}

ByteSet font_field(std::int32_t height, std::int32_t weight, bool underline, std::uint8_t char_set,
                   std::uint8_t quality, const Text& face_name) {
  Writer w;
  w.i32(height);
  w.i32(0);
  w.i32(0);
  w.i32(0);
  w.i32(weight);
  ByteSet flags{0, static_cast<std::uint8_t>(underline ? 1 : 0), 0, char_set, 0, 0, quality, 0};
  w.raw(flags);
  ByteSet face(32, 0);
  std::copy_n(face_name.bytes().begin(), std::min<std::size_t>(31, face_name.bytes().size()), face.begin());
  w.raw(face);
  return std::move(w.bytes());
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
