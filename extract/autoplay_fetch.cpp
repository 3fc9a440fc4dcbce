#include "extract/autoplay_fetch.h"

#include "extract/autoplay_address.h"
#include "fetch/utf8.h"

Text fetch_page_text(const Text& page_address, PageRequestOptions& options) {
  const ByteSet body = page_request(page_address, options);
  return utf8_to_local(body);
}

Text fetch_page_text(const Text& page_address) {
  PageRequestOptions omitted;
  return fetch_page_text(page_address, omitted);
}

// Found in the fetched UTF-8 without converting the whole page: the same
// address as converting it first, at a small part of the cost.
Text extract_autoplay_address(const Text& page_address, PageOutcome* outcome, CancelCheck* cancel) {
  PageRequestOptions omitted;
  omitted.outcome = outcome;
  omitted.cancel = cancel;
  return autoplay_address_from_body(page_request(page_address, omitted));
}

Text extract_autoplay_address_streamed(ExchangeFactory& factory, std::string_view utf8_page_address,
                                       std::uint64_t max_body_bytes, PageRequestOptions& options,
                                       PageOutcome& outcome) {
  BodyAddressSearch search;
  outcome = page_request_streamed(factory, utf8_page_address, options, search, max_body_bytes);
  // A page that failed gives no address, whatever part of it arrived.
  const Text address = search.finish();
  return outcome.failure == FetchFailure::kNone ? address : Text();
}
