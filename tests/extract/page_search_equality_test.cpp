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

// Random bytes around flash地址, often followed by value=" and " > with more
// random bytes between, so that the search gets past its first literal.
std::string random_bytes_around_entry(std::mt19937& random) {
  std::uniform_int_distribution<int> length(0, 100);
  std::uniform_int_distribution<int> byte(0, 255);
  auto noise = [&] {
    std::string bytes(static_cast<std::size_t>(length(random)), '\0');
    for (char& c : bytes) c = static_cast<char>(byte(random));
    return bytes;
  };
  std::string page = noise() + "flash\xB5\xD8\xD6\xB7" + noise();
  if (random() % 4 != 0) page += "value=\"" + noise();
  if (random() % 4 != 0) page += "\" >" + noise();
  return page;
}

struct PageSource {
  const char* name;
  std::string (*make)(std::mt19937&);
  unsigned seed;
  int pages;
  int fewest_of_each;  // matches and non-matches the source must reach
};

const PageSource kPageSources[] = {
    {"generated", generated_page, 20261208, 20000, 2000},
    {"damaged", mutated_page, 8121926, 20000, 1000},
    {"random bytes around the entry", random_bytes_around_entry, 936, 5000, 1000},
};

TEST(FlashValueSearch, AgreesWithWholePageSearch) {
  for (const PageSource& source : kPageSources) {
    SCOPED_TRACE(source.name);
    std::mt19937 random(source.seed);
    Tally tally;
    for (int i = 0; i < source.pages && !HasFailure(); ++i) expect_agreement(source.make(random), tally);
    // Both outcomes must come often, or the comparison proves little.
    EXPECT_GT(tally.matches, source.fewest_of_each);
    EXPECT_GT(tally.no_matches, source.fewest_of_each);
  }
}

}  // namespace
