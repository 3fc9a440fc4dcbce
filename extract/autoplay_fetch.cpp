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
Text extract_autoplay_address(const Text& page_address, PageOutcome* outcome) {
  PageRequestOptions omitted;
  omitted.outcome = outcome;
  return autoplay_address_from_body(page_request(page_address, omitted));
}
