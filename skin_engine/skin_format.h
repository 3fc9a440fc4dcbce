// Our skin format: reading and writing it, with no Win32 in sight, so every
// malformed or hostile skin can be tried on the host under the sanitizers.
// The layout is documented in README.md beside this file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace skin {

inline constexpr std::array<std::uint8_t, 4> kMagic = {0x2E, 0x53, 0x48, 0x45};  // ".SHE"
inline constexpr std::uint16_t kVersion = 1;
inline constexpr std::size_t kHeaderSize = 8;

// Entry kinds; any other kind is skipped.
inline constexpr std::uint8_t kColourEntry = 1;
inline constexpr std::uint8_t kFontEntry = 2;

// The engine's result codes.
enum class Status : std::int32_t {
  kApplied = 0,
  kEmpty = 1,               // no bytes at all
  kBadHeader = 2,           // not our magic
  kUnsupportedVersion = 3,  // a version this engine does not read
  kTruncated = 4,           // entries run past the end of the bytes
};

struct Colour {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  friend bool operator==(const Colour&, const Colour&) = default;
};

// Font limits keep a hostile skin from asking for absurd fonts.
inline constexpr int kMaxFontHeight = 200;
inline constexpr int kMaxFontWeight = 1000;
inline constexpr std::size_t kMaxFaceBytes = 96;

struct Font {
  std::int32_t height = 0;  // as LOGFONT's lfHeight: negative is the character height
  std::int32_t weight = 0;  // 0 is the default weight, 400 normal, 700 bold
  bool italic = false;
  bool underline = false;
  std::string face;  // UTF-8
  friend bool operator==(const Font&, const Font&) = default;
};

// Colour names the engine knows; entries with other names are ignored.
namespace colour_name {
inline constexpr std::string_view kWindowBackground = "window.background";
inline constexpr std::string_view kEditBackground = "edit.background";
inline constexpr std::string_view kEditText = "edit.text";
inline constexpr std::string_view kEditReadOnlyBackground = "edit.readonly.background";
inline constexpr std::string_view kEditReadOnlyText = "edit.readonly.text";
inline constexpr std::string_view kEditBorder = "edit.border";
inline constexpr std::string_view kLabelBackground = "label.background";
inline constexpr std::string_view kLabelText = "label.text";
inline constexpr std::string_view kButtonFace = "button.face";
inline constexpr std::string_view kButtonPressed = "button.pressed";
inline constexpr std::string_view kButtonText = "button.text";
inline constexpr std::string_view kButtonBorder = "button.border";
}  // namespace colour_name
inline constexpr std::array<std::string_view, 12> kColourNames = {
    colour_name::kWindowBackground,       colour_name::kEditBackground,   colour_name::kEditText,
    colour_name::kEditReadOnlyBackground, colour_name::kEditReadOnlyText, colour_name::kEditBorder,
    colour_name::kLabelBackground,        colour_name::kLabelText,        colour_name::kButtonFace,
    colour_name::kButtonPressed,          colour_name::kButtonText,       colour_name::kButtonBorder,
};
// Font names the engine knows.
inline constexpr std::string_view kFontName = "font";

struct Skin {
  std::map<std::string, Colour, std::less<>> colours;
  std::optional<Font> font;

  std::optional<Colour> colour(std::string_view name) const;
  friend bool operator==(const Skin&, const Skin&) = default;
};

struct Decoded {
  Status status = Status::kEmpty;
  Skin skin;  // meaningful only when status is kApplied
};

// Reads a whole skin. Never reads outside [data, data + length); a skin is
// accepted whole or not at all.
Decoded decode(const std::uint8_t* data, std::size_t length);

// One raw entry, for writing skins (and hostile ones in tests).
struct RawEntry {
  std::uint8_t kind = 0;
  std::string name;
  std::vector<std::uint8_t> value;
};

std::vector<std::uint8_t> colour_value(Colour colour);
std::vector<std::uint8_t> font_value(const Font& font);
// Magic, version, entry count, then the entries as given.
std::vector<std::uint8_t> encode(const std::vector<RawEntry>& entries, std::uint16_t version = kVersion);
std::vector<std::uint8_t> encode(const Skin& skin);

}  // namespace skin
