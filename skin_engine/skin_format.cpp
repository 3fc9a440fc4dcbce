#include "skin_engine/skin_format.h"

#include <algorithm>

#include "common/byte_reader.h"
#include "common/byte_writer.h"

namespace skin {

namespace {

bool known_colour(std::string_view name) {
  return std::find(kColourNames.begin(), kColourNames.end(), name) != kColourNames.end();
}

std::optional<Colour> read_colour(const std::uint8_t* value, std::size_t length) {
  if (length < 3) return std::nullopt;
  return Colour{value[0], value[1], value[2]};
}

std::optional<Font> read_font(const std::uint8_t* value, std::size_t length) {
  ByteReader reader(value, length);
  const std::uint16_t height = reader.u16();
  const std::uint16_t weight = reader.u16();
  const std::uint8_t flags = reader.u8();
  const std::uint8_t face_length = reader.u8();
  const std::uint8_t* face = reader.take(face_length);
  if (!reader.ok()) return std::nullopt;
  Font font;
  font.height = std::clamp<std::int32_t>(static_cast<std::int16_t>(height), -kMaxFontHeight, kMaxFontHeight);
  font.weight = std::min<std::int32_t>(weight, kMaxFontWeight);
  font.italic = (flags & 1) != 0;
  font.underline = (flags & 2) != 0;
  font.face.assign(reinterpret_cast<const char*>(face), std::min<std::size_t>(face_length, kMaxFaceBytes));
  // A face name ends at its first NUL, as the system would read it.
  font.face.resize(std::min(font.face.size(), font.face.find('\0')));
  return font;
}

}  // namespace

std::optional<Colour> Skin::colour(std::string_view name) const {
  const auto found = colours.find(name);
  if (found == colours.end()) return std::nullopt;
  return found->second;
}

Decoded decode(const std::uint8_t* data, std::size_t length) {
  Decoded decoded;
  if (data == nullptr || length == 0) return decoded;
  ByteReader reader(data, length);
  const std::uint8_t* magic = reader.take(kMagic.size());
  if (!reader.ok() || !std::equal(kMagic.begin(), kMagic.end(), magic)) {
    decoded.status = Status::kBadHeader;
    return decoded;
  }
  const std::uint16_t version = reader.u16();
  const std::uint16_t count = reader.u16();
  if (!reader.ok()) {
    decoded.status = Status::kTruncated;
    return decoded;
  }
  if (version != kVersion) {
    decoded.status = Status::kUnsupportedVersion;
    return decoded;
  }
  Skin skin;
  for (std::uint16_t index = 0; index < count; ++index) {
    const std::uint8_t kind = reader.u8();
    const std::uint8_t name_length = reader.u8();
    const std::uint8_t* name_bytes = reader.take(name_length);
    const std::uint16_t value_length = reader.u16();
    const std::uint8_t* value = reader.take(value_length);
    if (!reader.ok()) {
      decoded.status = Status::kTruncated;
      return decoded;
    }
    const std::string_view name(reinterpret_cast<const char*>(name_bytes), name_length);
    // Unknown kinds and names, and values too short for their kind, are skipped.
    if (kind == kColourEntry && known_colour(name)) {
      if (auto colour = read_colour(value, value_length))
        skin.colours.insert_or_assign(std::string(name), *colour);
    } else if (kind == kFontEntry && name == kFontName) {
      if (auto font = read_font(value, value_length)) skin.font = std::move(*font);
    }
  }
  decoded.status = Status::kApplied;
  decoded.skin = std::move(skin);
  return decoded;
}

std::vector<std::uint8_t> colour_value(Colour colour) { return {colour.red, colour.green, colour.blue}; }

std::vector<std::uint8_t> font_value(const Font& font) {
  ByteWriter value;
  value.u16(static_cast<std::uint16_t>(static_cast<std::int16_t>(font.height)));
  value.u16(static_cast<std::uint16_t>(font.weight));
  value.u8(static_cast<std::uint8_t>((font.italic ? 1 : 0) | (font.underline ? 2 : 0)));
  const std::size_t face_length = std::min<std::size_t>(font.face.size(), 255);
  value.u8(static_cast<std::uint8_t>(face_length));
  value.raw(std::string_view(font.face).substr(0, face_length));
  return std::move(value.out());
}

std::vector<std::uint8_t> encode(const std::vector<RawEntry>& entries, std::uint16_t version) {
  ByteWriter out;
  out.raw(kMagic);
  out.u16(version);
  out.u16(static_cast<std::uint16_t>(entries.size()));
  for (const RawEntry& entry : entries) {
    out.u8(entry.kind);
    out.u8(static_cast<std::uint8_t>(entry.name.size()));
    out.raw(entry.name);
    out.u16(static_cast<std::uint16_t>(entry.value.size()));
    out.raw(entry.value);
  }
  return std::move(out.out());
}

std::vector<std::uint8_t> encode(const Skin& skin) {
  std::vector<RawEntry> entries;
  for (const auto& [name, colour] : skin.colours)
    entries.push_back({kColourEntry, name, colour_value(colour)});
  if (skin.font) entries.push_back({kFontEntry, std::string(kFontName), font_value(*skin.font)});
  return encode(entries);
}

}  // namespace skin
