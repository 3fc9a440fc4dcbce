// The layout block codec against the block the build writes for the main window.
#include "shell/layout_block.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <variant>

#include "extract/main_window_units.h"
#include "shell/display_rules.h"
#include "shell/layout_writer.h"
#include "shell/main_window.h"
#include "tests/support/read_file.h"

namespace {

using namespace layout;

const ByteSet& program_block() {
  static const ByteSet block = read_file(TARNVEX_LAYOUT_BLOCK_FILE);
  return block;
}

const WindowLayout& program_layout() {
  static const WindowLayout decoded = decode_window_layout(program_block()).value_or(WindowLayout{});
  return decoded;
}

std::uint32_t le32(const ByteSet& bytes, std::size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
         static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}
void put_le32(ByteSet& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}
// Where `word` first stands at or after `from`; the size when nowhere.
std::size_t find_le32(const ByteSet& bytes, std::uint32_t word, std::size_t from) {
  while (from + 4 <= bytes.size() && le32(bytes, from) != word) ++from;
  return from + 4 <= bytes.size() ? from : bytes.size();
}
// The main window's record area: after the 36-byte header, its 9 identifiers and 9 offsets.
constexpr std::size_t kArea = 36 + 9 * 8;

TEST(MainWindowLayout, TheCarriedBlockIsTheWindowsDescription) {
  const ByteSet& block = program_block();
  ASSERT_GT(block.size(), 36u);
  EXPECT_EQ(le32(block, 32), block.size() - 36);
  EXPECT_EQ(program_layout(), main_window_layout(read_file(TARNVEX_BANNER_FILE)));
  EXPECT_EQ(program_layout().window_id, main_window::kWindow);
}

TEST(MainWindowLayout, TheBannerIsABaselineJpegAtTwiceItsShownSize) {
  const ByteSet& p =
      std::get<PicBoxData>(program_layout().find_unit(main_window::kPictureBanner)->data).picture;
  // A baseline JPEG: SOI, and an SOF0 frame of 212 x 800 (twice the shown size) with three components.
  ASSERT_GT(p.size(), 2u);
  EXPECT_EQ(p[0] << 8 | p[1], 0xFFD8);
  const ByteSet sof0{0xFF, 0xC0};
  const std::size_t i =
      static_cast<std::size_t>(std::search(p.begin() + 2, p.end(), sof0.begin(), sof0.end()) - p.begin());
  ASSERT_LT(i + 9, p.size()) << "no SOF0 frame";
  EXPECT_EQ((std::array{p[i + 5] << 8 | p[i + 6], p[i + 7] << 8 | p[i + 8], int{p[i + 9]}}),
            (std::array{212, 800, 3}));
}

TEST(LayoutCodec, RoundTripReproducesTheBlockByteForByte) {
  ASSERT_FALSE(program_layout().units.empty());
  EXPECT_EQ(encode_window_layout(program_layout()), program_block());
  EXPECT_EQ(decode_window_layout(encode_window_layout(program_layout())), program_layout());
}

TEST(LayoutCodec, RecordOffsetsPointAtEachRecord) {
  // The offsets follow from the block alone: the first record at 0, each next
  // one right after the previous record's length word and bytes.
  const ByteSet& block = program_block();
  std::vector<std::uint32_t> offsets;
  for (std::uint32_t at = 0; kArea + at < block.size(); at += 4 + le32(block, kArea + at)) {
    offsets.push_back(at);
    // Each record starts with its length, then the kind identifier.
    EXPECT_EQ(le32(block, kArea + at + 4), program_layout().units[offsets.size() - 1].kind);
    EXPECT_EQ(le32(block, 36 + 36 + 4 * (offsets.size() - 1)), at);
  }
  ASSERT_EQ(offsets.size(), 9u);
}

// Kind data of `Data` at `version`, with its text or picture (if it has one) filled.
template <typename Data>
KindData versioned(std::uint32_t version) {
  Data data{};
  data.version = version;
  if constexpr (requires { data.caption; }) data.caption = "c";
  if constexpr (requires { data.content; }) data.content = "x";
  if constexpr (requires { data.picture; }) data.picture = {1, 2};
  return data;
}

// A one-unit layout of kind `kind` at `version`; a kind not in the table has no kind data.
WindowLayout with_version(std::uint32_t kind, std::uint32_t version) {
  UnitRecord unit;
  unit.kind = kind;
  for_each_kind([&](auto type) {
    using Data = typename decltype(type)::type;
    if (Data::kLayoutId == kind) unit.data = versioned<Data>(version);
  });
  return {.window_id = 1, .unit_ids = {7}, .units = {unit}};
}

TEST(VersionRules, EveryVersionUpToTheHighestLoadsAndAHigherOneFailsTheUnit) {
  // The kind data starts where a record without any ends.
  const std::size_t kind_data = encode_window_layout(with_version(0, 0)).size();
  const std::pair<std::uint32_t, std::uint32_t> highest_versions[] = {
      {WindowData::kLayoutId, 6},     {EditBoxData::kLayoutId, 2},  {PicBoxData::kLayoutId, 2},
      {LabelData::kLayoutId, 2},      {ShapeBoxData::kLayoutId, 1}, {ButtonData::kLayoutId, 1},
      {HyperLinkerData::kLayoutId, 1}};
  for (const auto& [kind, highest] : highest_versions) {
    SCOPED_TRACE(kind);
    for (std::uint32_t version = 0; version <= highest; ++version) {
      const WindowLayout layout = with_version(kind, version);
      EXPECT_EQ(decode_window_layout(encode_window_layout(layout)), layout) << version;
    }
    // Write the highest version's data, then raise its version word.
    ByteSet block = encode_window_layout(with_version(kind, highest));
    ASSERT_EQ(le32(block, kind_data), highest);
    put_le32(block, kind_data, highest + 1);
    const auto decoded = decode_window_layout(block);
    ASSERT_TRUE(decoded);
    EXPECT_FALSE(decoded->units[0].usable());
    // The unusable unit keeps its bytes, so the block re-encodes unchanged.
    EXPECT_EQ(encode_window_layout(*decoded), block);
  }
}

// The reader and the writer walk one list of fields, so no round trip can tell
// a field of the wrong size or place: the main window's own data (version 6)
// pinned byte for byte, as the block carries it.
constexpr std::string_view kWindowData =
    "06000000 02000000 01000000 000000ff 00000000 01000000 01000000 01000000 01000000"  // version, settings
    " 00000000 00000000 01000000 00000000 00000000"                                     // five words
    " 01000000 00000000 00000000 00000000 00000000 00000000"             // versions 2 to 6: 24 bytes
    " 00000000 00000000 00000000 09000000 20205461726e766578 00000000";  // pictures, sound, caption

// The last `size` bytes of the block's first record.
ByteSet first_record_tail(const ByteSet& block, std::size_t size) {
  const auto end = block.begin() + static_cast<std::ptrdiff_t>(kArea + 4 + le32(block, kArea));
  return ByteSet(end - static_cast<std::ptrdiff_t>(size), end);
}

TEST(LayoutCodec, WindowDataIsWrittenAsPinnedAndVersionOneLeavesOutTheLaterFields) {
  ByteSet pinned;
  for (std::size_t i = 0; i + 1 < kWindowData.size(); i += kWindowData[i] == ' ' ? 1 : 2)
    if (kWindowData[i] != ' ')
      pinned.push_back(
          static_cast<std::uint8_t>(std::stoul(std::string(kWindowData.substr(i, 2)), nullptr, 16)));
  EXPECT_EQ(first_record_tail(program_block(), pinned.size()), pinned);
  WindowLayout v1 = program_layout();
  std::get<WindowData>(v1.units[0].data).version = 1;
  pinned.erase(pinned.begin() + 56, pinned.begin() + 80);
  pinned[0] = 1;
  EXPECT_EQ(first_record_tail(encode_window_layout(v1), pinned.size()), pinned);
}

TEST(LayoutCodec, UnknownKindIsKeptButUnusable) {
  WindowLayout layout = with_version(0x00010099, 0);
  layout.units[0].data = UnusableData{{1, 2, 3}};
  EXPECT_EQ(decode_window_layout(encode_window_layout(layout)), layout);
}

TEST(LayoutCodec, KindDataWithBytesLeftOverIsUnusable) {
  ByteSet block = encode_window_layout(with_version(ShapeBoxData::kLayoutId, 1));
  // Grow the record by one byte and every length that counts it.
  block.push_back(0);
  put_le32(block, 32, le32(block, 32) + 1);
  put_le32(block, 36 + 8, le32(block, 36 + 8) + 1);
  const auto decoded = decode_window_layout(block);
  ASSERT_TRUE(decoded);
  EXPECT_FALSE(decoded->units[0].usable());
}

// The links' font field written out by hand, 60 bytes: height -12, width,
// escapement and orientation 0, weight 400; italic 0, underline 1, strike-out 0,
// charset 134 (GB2312), out and clip precision, quality, pitch 0; the face 宋体.
ByteSet song_ti_field() {
  ByteSet field{0xF4, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0,   0, 0, 0, 0, 0,    0,    0,    0,
                0x90, 0x01, 0,    0,    0, 1, 0, 134, 0, 0, 0, 0, 0xCB, 0xCE, 0xCC, 0xE5};
  field.resize(60);
  return field;
}

TEST(FontField, SixtyBytesBuildAFontWithCharsetAndQualityReplaced) {
  const ByteSet field = song_ti_field();
  EXPECT_EQ(font_field(-12, 400, true, 134, 0, "\xCB\xCE\xCC\xE5"), field);  // the writer the fuzzers use
  EXPECT_EQ(font_from_field(field), (FontSpec{.height = -12,
                                              .weight = 400,
                                              .underline = 1,
                                              .char_set = 1,
                                              .quality = 2,
                                              .face_name = Text("\xCB\xCE\xCC\xE5")}));
}

TEST(FontField, AnyOtherLengthMeansTheDefaultFont) {
  const ByteSet field = font_field(-12, 400, true, 134, 0, "Arial");
  for (std::size_t size : {0u, 1u, 59u, 61u, 120u}) {
    ByteSet resized = field;
    resized.resize(size);
    EXPECT_FALSE(font_from_field(resized)) << size;
  }
}

TEST(FontField, FaceNameWithoutTerminatorStopsAtThirtyTwoBytes) {
  ByteSet field = font_field(10, 700, false, 0, 0, "");
  std::fill(field.begin() + 28, field.end(), 'A');
  const auto font = font_from_field(field);
  ASSERT_TRUE(font);
  EXPECT_EQ(font->face_name.length(), 32);
}

TEST(HyperlinkTarget, WebAddressMailtoOrNothing) {
  struct Case {
    std::int32_t link_type;
    const char *email, *web, *want;
  };
  const Case cases[] = {
      {1, "a@b.c", "http://x/y", "http://x/y"},
      {1, "a@b.c", "", ""},
      {0, "a@b.c", "http://x/y", "mailto:a@b.c"},
      {0, "", "http://x/y", ""},
      {0, "", "", ""},
  };
  for (const auto& c : cases) {
    HyperLinkerData link{};
    link.link_type = c.link_type;
    link.email_address = c.email;
    link.web_address = c.web;
    EXPECT_EQ(link.target(), Text(c.want)) << c.link_type << " " << c.email << " " << c.web;
  }
}

TEST(MainWindowLayout, NeitherHyperlinkHasATargetOfItsOwn) {
  for (auto id : {main_window::kLinkOpen, main_window::kLinkCopy})
    EXPECT_TRUE(std::get<HyperLinkerData>(program_layout().find_unit(id)->data).target().empty());
}

struct FitCase {
  std::int32_t box_w, box_h, pic_w, pic_h;
  PictureRect want;
};

TEST(FitPicture, ScalesByTheSmallerRatioCutsToWholePixelsAndCentres) {
  const FitCase cases[] = {
      {231, 62, 400, 106, {0, 0, 231, 61}},    // a banner of the design size: 231 x 61 at the top left
      {231, 62, 800, 212, {0, 0, 231, 61}},    // the banner carried: the same at 96 DPI
      {346, 93, 800, 212, {0, 1, 346, 91}},    // its box at 144 DPI
      {462, 124, 800, 212, {0, 1, 462, 122}},  // and at 192 DPI
      {100, 100, 50, 20, {25, 40, 50, 20}},    // smaller: kept, centred
      {100, 50, 200, 50, {0, 12, 100, 25}},    // wider: width ratio
      {100, 50, 100, 100, {25, 0, 50, 50}},    // taller: height ratio
      {10, 10, 30, 30, {0, 0, 10, 10}},        // same ratio
      {7, 7, 3, 2, {2, 2, 3, 2}},              // odd leftovers are cut
      {100, 10, 101, 1, {0, 5, 100, 0}},       // a side may cut to zero
      {0, 10, 10, 10, {0, 0, 0, 0}},           // empty box
      {10, 10, 0, 10, {0, 0, 0, 0}},           // empty picture
  };
  for (const auto& c : cases)
    EXPECT_EQ(fit_picture(c.box_w, c.box_h, c.pic_w, c.pic_h), c.want)
        << c.box_w << "x" << c.box_h << " <- " << c.pic_w << "x" << c.pic_h;
}

TEST(ScaleToDpi, EdgesRoundToTheNearestPixelSoNeighboursKeepTouching) {
  EXPECT_EQ(scale_length(-12, 144), -18);  // the link font
  EXPECT_EQ(scale_length(99, 144), 149);   // halves away from zero
  EXPECT_EQ(scale_length(-99, 144), -149);
  EXPECT_EQ(scale_length(231, 125), 301);
  // Each rectangle worked out by hand at each DPI from its scaled edges: at 144
  // the banner's right edge 330 -> 495 makes it 346 wide, not 231 * 1.5 = 347.
  const PictureRect cases[] = {{99, 13, 231, 62}, {304, 92, 121, 24}, {267, 145, 96, 24}, {-7, 3, 5, 0}};
  const std::pair<std::uint32_t, std::array<PictureRect, 4>> scaled[] = {
      {96, {cases[0], cases[1], cases[2], cases[3]}},
      {120, {{{124, 16, 289, 78}, {380, 115, 151, 30}, {334, 181, 120, 30}, {-9, 4, 6, 0}}}},
      {144, {{{149, 20, 346, 93}, {456, 138, 182, 36}, {401, 218, 144, 36}, {-11, 5, 8, 0}}}},
      {192, {{{198, 26, 462, 124}, {608, 184, 242, 48}, {534, 290, 192, 48}, {-14, 6, 10, 0}}}},
  };
  for (const auto& [dpi, want] : scaled) {
    for (std::size_t i = 0; i < std::size(cases); ++i)
      EXPECT_EQ(scale_rect(cases[i], dpi), want[i]) << dpi << " " << i;
  }
}

// ---- malformed blocks ----

TEST(MalformedBlock, EveryTruncationFailsCleanlyWithoutReadingPastTheEnd) {
  const ByteSet& block = program_block();
  ASSERT_FALSE(block.empty());
  for (std::size_t size = 0; size < block.size(); ++size) {
    // A fresh buffer of exactly `size` bytes, so the sanitizer sees any overread.
    std::vector<std::uint8_t> cut(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(size));
    // Keep the length word consistent, so the cut reaches the record readers.
    if (size >= 36) put_le32(cut, 32, static_cast<std::uint32_t>(size - 36));
    const auto decoded = decode_window_layout(cut.data(), cut.size());
    // A cut inside the kind data of the last record may still decode, with that unit unusable.
    if (decoded) {
      ASSERT_EQ(decoded->units.size(), 9u) << size;
      EXPECT_FALSE(decoded->units.back().usable()) << size;
    }
  }
  EXPECT_FALSE(decode_window_layout(nullptr, 0));
}

struct Corruption {
  const char* what;
  std::size_t at;  // byte offset of the word to change; SIZE_MAX: see `grow`
  std::uint32_t value;
};

TEST(MalformedBlock, LengthsCountsAndOffsetsOutOfRangeAreRejected) {
  const ByteSet& block = program_block();
  // The first unit id in the record area heads the shape box's four children.
  const std::size_t child_count = find_le32(block, main_window::kLinkOpen, kArea) - 4;
  ASSERT_EQ(le32(block, child_count), 4u);
  const Corruption cases[] = {
      {"bytes following too large", 32, static_cast<std::uint32_t>(block.size())},
      {"bytes following too small", 32, 8},
      {"absurd unit count", 28, 0x7fffffff},
      {"unit count past the table", 28, 10000},
      {"record offset past the area", 36 + 36, 0xfffffff0},
      {"record offset at the very end", 36 + 36 + 4, static_cast<std::uint32_t>(block.size() - kArea)},
      {"record length past the end", kArea, 0xffffffff},
      {"record length one too many", kArea + le32(block, 36 + 36 + 32), 1000000},
      {"window record too short for its fields", kArea, 8},
      {"absurd child count", child_count, 0x40000000},
  };
  for (const auto& c : cases) {
    ByteSet broken = block;
    put_le32(broken, c.at, c.value);
    EXPECT_FALSE(decode_window_layout(broken)) << c.what;
  }
}

TEST(MalformedBlock, NameWithoutTerminatorIsRejected) {
  WindowLayout layout = with_version(ShapeBoxData::kLayoutId, 1);
  layout.units[0].name = "abc";
  ByteSet block = encode_window_layout(layout);
  // Make the record end just before the name's NUL.
  const std::size_t record = 36 + 8,
                    name_end = find_le32(block, 0x00636261, record) + 3;  // "abc" and its NUL
  put_le32(block, record, static_cast<std::uint32_t>(name_end - record - 4));
  block.resize(name_end);
  put_le32(block, 32, static_cast<std::uint32_t>(block.size() - 36));
  EXPECT_FALSE(decode_window_layout(block));
}

TEST(MalformedBlock, CountedFieldPastTheRecordMakesTheUnitUnusable) {
  ByteSet block = encode_window_layout(with_version(ButtonData::kLayoutId, 1));
  // The caption's count is the last field but one byte before the record's end.
  const std::size_t caption_count = block.size() - 1 - 4;
  ASSERT_EQ(le32(block, caption_count), 1u);
  put_le32(block, caption_count, 0xfffffffe);
  const auto decoded = decode_window_layout(block);
  ASSERT_TRUE(decoded);
  EXPECT_FALSE(decoded->units[0].usable());
}

}  // namespace
