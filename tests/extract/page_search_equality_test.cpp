// The fast search must give exactly what Boost.Regex gives over the whole page,
// on every page where Boost does not give up.
#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>
#include <string_view>

#include "extract/page_search.h"

namespace {

// Pieces of the pattern, near misses and filler: enough to build every shape of
// entry (complete, unclosed, interleaved, split across lines).
constexpr std::array<std::string_view, 24> kPieces = {
    "flash\xB5\xD8\xD6\xB7",  // flash地址
    "flash\xB5\xD8\xD6\xB7",
    "Flash\xB5\xD8\xD6\xB7",
    "flash\xB5\xD8",
    "\xB5\xD8\xD6\xB7",
    "value=\"",
    "value=\"",
    "VALUE=\"",
    "value=",
    "\" >",
    "\" >",
    "\"  >",
    "\">",
    "\"",
    " ",
    ">",
    "\r\n",
    "\n",
    "sid/",
    "/v.swf",
    "<input type=\"text\" ",
    "\xC9\xC1\xB5\xE7",  // 闪电
    "abc",
    "\xB7\"",  // a lead byte before a quote: the engine still sees the quote
};

std::string generated_page(std::mt19937& random) {
  std::uniform_int_distribution<int> piece_count(0, 60);
  std::uniform_int_distribution<std::size_t> piece(0, kPieces.size() - 1);
  std::string page;
  for (int i = piece_count(random); i > 0; --i) page += kPieces[piece(random)];
  return page;
}

// Byte-level damage on top: flipped, inserted and deleted bytes.
std::string mutated_page(std::mt19937& random) {
  std::string page = generated_page(random);
  std::uniform_int_distribution<int> edits(0, 6);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int i = edits(random); i > 0 && !page.empty(); --i) {
    std::uniform_int_distribution<std::size_t> at(0, page.size() - 1);
    switch (random() % 3) {
      case 0:
        page[at(random)] = static_cast<char>(byte(random));
        break;
      case 1:
        page.insert(page.begin() + static_cast<std::ptrdiff_t>(at(random)), static_cast<char>(byte(random)));
        break;
      default:
        page.erase(at(random), 1);
        break;
    }
  }
  return page;
}

struct Tally {
  int matches = 0;
  int no_matches = 0;
  int gave_up = 0;
};

void expect_agreement(const std::string& page, Tally& tally) {
  const FlashValue whole = flash_value_search_whole_page(page);
  if (whole.outcome == SearchOutcome::kGaveUp) {
    ++tally.gave_up;
    return;
  }
  (whole.outcome == SearchOutcome::kMatch ? tally.matches : tally.no_matches)++;
  const FlashValue fast = flash_value_search(page);
  EXPECT_EQ(fast, whole) << "page: " << ::testing::PrintToString(page);
}

TEST(FlashValueSearch, AgreesWithWholePageSearchOnGeneratedPages) {
  std::mt19937 random(20261208);
  Tally tally;
  for (int i = 0; i < 20000 && !HasFailure(); ++i) expect_agreement(generated_page(random), tally);
  // The generator must reach both outcomes often, or the comparison proves little.
  EXPECT_GT(tally.matches, 2000);
  EXPECT_GT(tally.no_matches, 2000);
}

TEST(FlashValueSearch, AgreesWithWholePageSearchOnDamagedPages) {
  std::mt19937 random(8121926);
  Tally tally;
  for (int i = 0; i < 20000 && !HasFailure(); ++i) expect_agreement(mutated_page(random), tally);
  EXPECT_GT(tally.matches, 1000);
  EXPECT_GT(tally.no_matches, 1000);
}

TEST(FlashValueSearch, AgreesWithWholePageSearchOnRandomBytes) {
  std::mt19937 random(936);
  std::uniform_int_distribution<int> length(0, 300);
  std::uniform_int_distribution<int> byte(0, 255);
  Tally tally;
  for (int i = 0; i < 5000 && !HasFailure(); ++i) {
    std::string page(static_cast<std::size_t>(length(random)), '\0');
    for (char& c : page) c = static_cast<char>(byte(random));
    expect_agreement(page, tally);
  }
  EXPECT_EQ(tally.matches + tally.no_matches, 5000);
}

}  // namespace
