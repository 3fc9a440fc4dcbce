#include "extract/page_search.h"

#include <boost/regex.hpp>
#include <cstring>
#include <stdexcept>
#include <string>

namespace {

// The pattern never changes, so it is compiled once; a compiled boost::regex is
// safe to share between searches.
const boost::regex& search_pattern() {
  static const boost::regex pattern(
      std::string(kFlashMarker) + "(.*?)" + std::string(kValueOpening) + "(.*?)" + std::string(kValueClosing),
      boost::regex_constants::perl);
  return pattern;
}

// Position of `needle` in `haystack` at or after `from`, byte by byte (the
// engine sees double-byte characters as two bytes, so this does too).
std::size_t find_literal(std::string_view haystack, std::size_t from, std::string_view needle) {
  if (from > haystack.size()) return std::string_view::npos;
#if defined(__GLIBC__)
  const void* found = memmem(haystack.data() + from, haystack.size() - from, needle.data(), needle.size());
  if (found == nullptr) return std::string_view::npos;
  return static_cast<std::size_t>(static_cast<const char*>(found) - haystack.data());
#else
  return haystack.find(needle, from);
#endif
}

// Boost.Regex over [page + from, page end); offsets are reported from the page start.
FlashValue boost_search(std::string_view page, std::size_t from) {
  FlashValue result;
  const char* first = page.data() + from;
  const char* last = page.data() + page.size();
  boost::cmatch match;
  try {
    if (!boost::regex_search(first, last, match, search_pattern(), boost::match_default)) return result;
  } catch (const std::runtime_error&) {
    // Boost's error for a search past its state limit: nothing found.
    result.outcome = SearchOutcome::kGaveUp;
    return result;
  }
  result.outcome = SearchOutcome::kMatch;
  result.group_matched = match[2].matched;
  if (result.group_matched) {
    result.offset = static_cast<std::size_t>(match[2].first - page.data());
    result.length = static_cast<std::size_t>(match[2].length());
  }
  return result;
}

}  // namespace

FlashValue flash_value_search_whole_page(std::string_view page) { return boost_search(page, 0); }

FlashValue flash_value_search(std::string_view page) {
  // Both groups are lazy and the dot takes every byte, so a match from the first
  // flash地址 exists exactly when a value=" follows it and a closing " > follows
  // that; and when none starts there, none starts later, whose first value="
  // cannot come earlier. So only the first flash地址 can start the first match.
  const std::size_t start = find_literal(page, 0, kFlashMarker);
  if (start == std::string_view::npos) return {};
  const std::size_t opening = find_literal(page, start + kFlashMarker.size(), kValueOpening);
  if (opening == std::string_view::npos) return {};
  if (find_literal(page, opening + kValueOpening.size(), kValueClosing) == std::string_view::npos) return {};
  return boost_search(page, start);
}
