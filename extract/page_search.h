// The search for the flash player entry of a decoded page: group 2 of the first
// match of the pattern below, found by Boost.Regex.
#pragma once

#include <cstddef>
#include <string_view>

// The pattern is flash地址(.*?)value="(.*?)" > : these three literals with the
// two lazy groups between them.
inline constexpr std::string_view kFlashMarker = "flash\xB5\xD8\xD6\xB7";  // flash地址
inline constexpr std::string_view kValueOpening = "value=\x22";
inline constexpr std::string_view kValueClosing = "\x22 >";

enum class SearchOutcome {
  kMatch,
  kNoMatch,
  kGaveUp,  // the engine exceeded its state limit; callers treat it as no match
};

// Group 2 of the first match, as a byte range of the searched page.
struct FlashValue {
  SearchOutcome outcome = SearchOutcome::kNoMatch;
  bool group_matched = false;
  std::size_t offset = 0;
  std::size_t length = 0;

  friend bool operator==(const FlashValue&, const FlashValue&) = default;
};

// Boost.Regex over the whole page, from its first byte to its end.
FlashValue flash_value_search_whole_page(std::string_view page);

// The same result, found faster: a literal scan proves "no match" or finds where
// the first match starts, and Boost.Regex runs from there. Equal to the whole-page
// search on every page where that search does not give up.
FlashValue flash_value_search(std::string_view page);
