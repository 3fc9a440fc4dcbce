// Any bytes as a decoded page: the fast search must agree with Boost.Regex over
// the whole page, and the step must give nothing or a well-formed address.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "extract/autoplay_address.h"
#include "extract/page_search.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

bool starts_with(std::string_view text, std::string_view head) { return text.substr(0, head.size()) == head; }

bool ends_with(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// What the identifier may never carry raw outside a double-byte character.
bool must_be_escaped(unsigned char byte) {
  return byte < 0x20 || byte == 0x7F ||
         std::string_view(" \"<>\\^{|}&#`").find(static_cast<char>(byte)) != std::string_view::npos;
}

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
  const Text value = flash_value_of_page(page);
  check(page.view().find(value.view()) != std::string_view::npos);
  const Text address = autoplay_address_from_page(page);
  check(address.empty() == value.empty());
  if (!address.empty()) {
    check(starts_with(address.view(), autoplay_address_prefix().view()));
    check(ends_with(address.view(), kAutoplayOptionSuffix));
    const std::string_view prefix = autoplay_address_prefix().view();
    const std::string_view identifier =
        address.view().substr(prefix.size(), address.view().size() - prefix.size() -
                                                 std::string_view(kAutoplayOptionSuffix).size());
    for (std::size_t i = 0; i < identifier.size(); ++i) {
      const auto byte = static_cast<unsigned char>(identifier[i]);
      if (byte >= 0x81 && byte <= 0xFE) {
        ++i;  // its trail byte, whatever it is
      } else {
        check(!must_be_escaped(byte));
      }
    }
  }
  return 0;
}
