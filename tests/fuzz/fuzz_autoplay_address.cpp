// Any bytes as a decoded page: the fast search must agree with Boost.Regex over
// the whole page, and the step must give nothing or a well-formed address.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "extract/autoplay_address.h"
#include "extract/page_search.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

// What the identifier may never carry raw outside a double-byte character,
// written out byte by byte rather than taken from the escaping routine.
constexpr std::string_view kMustBeEscaped =
    "\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C\x0D\x0E\x0F\x10\x11\x12\x13\x14\x15\x16\x17\x18"
    "\x19\x1A\x1B\x1C\x1D\x1E\x1F\x7F \"<>\\^{|}&#`";

// A code page 936 character is two bytes when its first is 0x81 to 0xFE.
bool starts_pair(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const FlashValue fast = flash_value_search(bytes);
  // From the start the pre-scan proves, Boost runs in one pass and never gives up.
  check(fast.outcome != SearchOutcome::kGaveUp);
  const FlashValue whole = flash_value_search_whole_page(bytes);
  if (whole.outcome != SearchOutcome::kGaveUp) check(fast == whole);
  if (fast.outcome == SearchOutcome::kMatch) check(fast.group_matched && fast.offset + fast.length <= size);

  // The step reads the page as a Text, which ends at the first NUL.
  const Text page(bytes);
  // Boost over the whole page is the reference for which value the step takes.
  const FlashValue reference = flash_value_search_whole_page(page.view());
  if (reference.outcome == SearchOutcome::kGaveUp) return 0;
  const std::string_view expected = reference.outcome == SearchOutcome::kMatch && reference.group_matched
                                        ? page.view().substr(reference.offset, reference.length)
                                        : std::string_view();
  check(flash_value_of_page(page).view() == expected);
  const Text address = autoplay_address_from_page(page);
  check(address.empty() == expected.empty());
  if (!address.empty()) {
    check(starts_with(address.view(), autoplay_address_prefix().view()));
    check(ends_with(address.view(), kAutoplayOptionSuffix));
    const std::string_view prefix = autoplay_address_prefix().view();
    const std::string_view identifier =
        address.view().substr(prefix.size(), address.view().size() - prefix.size() -
                                                 std::string_view(kAutoplayOptionSuffix).size());
    for (std::size_t i = 0; i < identifier.size(); ++i) {
      const auto byte = static_cast<unsigned char>(identifier[i]);
      if (starts_pair(byte) && i + 1 < identifier.size()) {
        ++i;  // its trail byte, whatever it is
      } else {
        check(kMustBeEscaped.find(static_cast<char>(byte)) == std::string_view::npos);
      }
    }
  }
  return 0;
}
