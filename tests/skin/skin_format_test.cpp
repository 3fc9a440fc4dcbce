#include "skin_engine/skin_format.h"

#include <gtest/gtest.h>

#include "tests/skin/engine_file.h"

namespace {

using skin::Colour;
using skin::Font;
using skin::RawEntry;
using skin::Status;

skin::Decoded decode(const std::vector<std::uint8_t>& bytes) {
  return skin::decode(bytes.data(), bytes.size());
}

skin::Skin sample_skin() {
  skin::Skin sample;
  sample.colours["window.background"] = Colour{0x10, 0x20, 0x30};
  sample.colours["edit.background"] = Colour{0xFE, 0xF0, 0x01};
  sample.colours["button.text"] = Colour{0, 0, 0};
  sample.font = Font{-12, 700, false, true, "Tahoma"};
  return sample;
}

// Bytes after the entries are no reason to refuse a skin.
TEST(SkinFormat, WrittenSkinReadsBackTheSameWithOrWithoutTrailingBytes) {
  auto bytes = skin::encode(sample_skin());
  for (const bool trailing : {false, true}) {
    if (trailing) bytes.insert(bytes.end(), {0xDE, 0xAD, 0xBE, 0xEF});
    const auto decoded = decode(bytes);
    ASSERT_EQ(decoded.status, Status::kApplied) << trailing;
    EXPECT_EQ(decoded.skin, sample_skin()) << trailing;
  }
}

TEST(SkinFormat, BeginsWithMagicVersionAndCount) {
  const auto bytes = skin::encode(sample_skin());
  const std::vector<std::uint8_t> head(bytes.begin(), bytes.begin() + 8);
  // ".SHE", version 1, four entries (three colours and the font), little-endian.
  EXPECT_EQ(head, (std::vector<std::uint8_t>{0x2E, 0x53, 0x48, 0x45, 1, 0, 4, 0}));
}

// The built-in skin as the build writes it, read by our reader.
TEST(SkinFormat, BuiltInSkinReadsAsWritten) {
  const auto decoded = decode(read_file(TARNVEX_SKIN_FILE));
  ASSERT_EQ(decoded.status, Status::kApplied);
  EXPECT_EQ(decoded.skin, built_in_skin());
}

struct RefusalCase {
  const char* what;
  std::vector<std::uint8_t> bytes;
  Status expected;
};

std::vector<std::uint8_t> with_head(std::vector<std::uint8_t> head) {
  auto bytes = skin::encode(sample_skin());
  std::copy(head.begin(), head.end(), bytes.begin());
  return bytes;
}

TEST(SkinFormat, RefusesWhatIsNotOurSkin) {
  const std::vector<RefusalCase> cases = {
      {"nothing", {}, Status::kEmpty},
      {"lower-case magic", with_head({0x2E, 0x73, 0x68, 0x65}), Status::kBadHeader},
      {"magic shifted by one", with_head({0x00, 0x2E, 0x53, 0x48}), Status::kBadHeader},
      {"a PE image", with_head({'M', 'Z', 0x90, 0x00}), Status::kBadHeader},
      {"magic alone", {0x2E, 0x53, 0x48, 0x45}, Status::kTruncated},
      {"magic and half a version", {0x2E, 0x53, 0x48, 0x45, 1}, Status::kTruncated},
      {"version 0", with_head({0x2E, 0x53, 0x48, 0x45, 0, 0}), Status::kUnsupportedVersion},
      {"version 2", with_head({0x2E, 0x53, 0x48, 0x45, 2, 0}), Status::kUnsupportedVersion},
      {"version 256", with_head({0x2E, 0x53, 0x48, 0x45, 0, 1}), Status::kUnsupportedVersion},
      {"count beyond the entries", with_head({0x2E, 0x53, 0x48, 0x45, 1, 0, 5, 0}), Status::kTruncated},
  };
  for (const auto& refusal : cases) {
    EXPECT_EQ(decode(refusal.bytes).status, refusal.expected) << refusal.what;
  }
}

TEST(SkinFormat, NullPointerIsAnEmptySkin) { EXPECT_EQ(skin::decode(nullptr, 10).status, Status::kEmpty); }

TEST(SkinFormat, EveryShorterPrefixIsRefused) {
  const auto bytes = skin::encode(sample_skin());
  for (std::size_t length = 1; length < bytes.size(); ++length) {
    // A copy of exactly `length` bytes, so the sanitizers see any read past it.
    const std::vector<std::uint8_t> prefix(bytes.begin(),
                                           bytes.begin() + static_cast<std::ptrdiff_t>(length));
    EXPECT_NE(decode(prefix).status, Status::kApplied) << "length " << length;
  }
}

TEST(SkinFormat, UnknownEntriesAreSkipped) {
  const std::vector<RawEntry> entries = {
      {7, "edit.background", {1, 2, 3}},                                  // unknown kind with a known name
      {skin::kColourEntry, "caption.gradient", {9, 9, 9}},                // unknown colour name
      {skin::kColourEntry, "edit.text", {0x11, 0x22, 0x33, 0xFF, 0xFF}},  // longer value: extra bytes ignored
      {skin::kColourEntry, "label.text", {1, 2}},                         // too short for a colour
      {skin::kFontEntry, "font.title", skin::font_value(Font{-30, 400, true, false, "X"})},
      {skin::kFontEntry, "font", {0xF4, 0xFF}},  // too short for a font
      {0xFF, "", {}},
  };
  const auto decoded = decode(skin::encode(entries));
  ASSERT_EQ(decoded.status, Status::kApplied);
  EXPECT_EQ(decoded.skin.colours.size(), 1u);
  EXPECT_EQ(decoded.skin.colour("edit.text"), (Colour{0x11, 0x22, 0x33}));
  EXPECT_FALSE(decoded.skin.colour("label.text").has_value());
  EXPECT_FALSE(decoded.skin.colour("edit.background").has_value());
  EXPECT_FALSE(decoded.skin.font.has_value());
}

TEST(SkinFormat, LaterEntryOfTheSameNameWins) {
  const std::vector<RawEntry> entries = {
      {skin::kColourEntry, "button.face", {1, 1, 1}},
      {skin::kColourEntry, "button.face", {2, 2, 2}},
  };
  EXPECT_EQ(decode(skin::encode(entries)).skin.colour("button.face"), (Colour{2, 2, 2}));
}

struct FontCase {
  const char* what;
  Font written;
  Font read;
};

TEST(SkinFormat, FontValuesAreKeptWithinLimits) {
  const std::string long_face(200, 'f');
  const std::vector<FontCase> cases = {
      {"ordinary", {-12, 400, false, false, "Tahoma"}, {-12, 400, false, false, "Tahoma"}},
      {"italic and underlined", {16, 0, true, true, ""}, {16, 0, true, true, ""}},
      {"huge height", {30000, 400, false, false, "A"}, {skin::kMaxFontHeight, 400, false, false, "A"}},
      {"huge negative height",
       {-30000, 400, false, false, "A"},
       {-skin::kMaxFontHeight, 400, false, false, "A"}},
      {"huge weight", {-12, 60000, false, false, "A"}, {-12, skin::kMaxFontWeight, false, false, "A"}},
      {"long face",
       {-12, 400, false, false, long_face},
       {-12, 400, false, false, long_face.substr(0, skin::kMaxFaceBytes)}},
      {"face with a NUL", {-12, 400, false, false, std::string("Ta\0ma", 5)}, {-12, 400, false, false, "Ta"}},
      {"UTF-8 face",
       {-12, 400, false, false, "\xE5\xAE\x8B\xE4\xBD\x93"},
       {-12, 400, false, false, "\xE5\xAE\x8B\xE4\xBD\x93"}},
  };
  for (const auto& font_case : cases) {
    const auto bytes = skin::encode({{skin::kFontEntry, "font", skin::font_value(font_case.written)}});
    const auto decoded = decode(bytes);
    ASSERT_EQ(decoded.status, Status::kApplied) << font_case.what;
    EXPECT_EQ(decoded.skin.font, font_case.read) << font_case.what;
  }
}

// A font value written out by hand (height, weight, flags with 1 italic and 2
// underline, face length, face), each flag alone: a swap of the two bits shared
// by the writer and the reader would pass every round trip and the built-in skin.
TEST(SkinFormat, EachFontFlagHasItsOwnBit) {
  const std::vector<std::uint8_t> italic{0xF4, 0xFF, 0x90, 0x01, 0x01, 1, 'T'};
  const std::vector<std::uint8_t> underline{0xF4, 0xFF, 0x90, 0x01, 0x02, 1, 'T'};
  EXPECT_EQ(skin::font_value(Font{-12, 400, true, false, "T"}), italic);
  EXPECT_EQ(skin::font_value(Font{-12, 400, false, true, "T"}), underline);
  EXPECT_EQ(decode(skin::encode({{skin::kFontEntry, "font", italic}})).skin.font,
            (Font{-12, 400, true, false, "T"}));
  EXPECT_EQ(decode(skin::encode({{skin::kFontEntry, "font", underline}})).skin.font,
            (Font{-12, 400, false, true, "T"}));
}

}  // namespace
