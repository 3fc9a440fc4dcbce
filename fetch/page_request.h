// One complete HTTP exchange through the platform's HTTP object, seen through
// the typed exchange of fetch/exchange.h.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/text.h"
#include "fetch/exchange.h"

// What the window never shows of an exchange, for callers that report it.
struct PageOutcome {
  std::int32_t status = 0;  // HTTP status of the last response; 0 when none arrived
  FetchFailure failure = FetchFailure::kNone;
  std::uint64_t body_bytes = 0;  // what arrived of the last response's body, failed or not
};

// The ten optional in/out parameters, in order. A default-constructed struct is
// "all omitted". The routine rewrites method, cookies, received, headers,
// location and response_headers in place.
struct PageRequestOptions {
  Text method;
  Text post_text;
  Text cookies;
  Text received;
  Text headers;
  Text location;
  std::int32_t no_redirect = 0;
  std::int32_t timeout = 0;
  Text response_headers;
  ByteSet post_bytes;
  // Not one of the ten: when set, the routine also keeps how the exchange went
  // here, and asks `cancel` while the exchange waits.
  PageOutcome* outcome = nullptr;
  CancelCheck* cancel = nullptr;
};

// The exchange driven through whatever `factory` creates. Returns the response
// body; empty when no exchange can be made or the exchange fails.
ByteSet page_request_with(ExchangeFactory& factory, const Text& url, PageRequestOptions& options);

// The same through the window's factory (window_exchange_factory).
ByteSet page_request(const Text& url, PageRequestOptions& options);
ByteSet page_request(const Text& url);

// The same exchange for an address in UTF-8, with the body handed to `sink` as
// it arrives instead of collected, and failing as kTooLarge once it passes
// `max_body_bytes` (0: no limit).
PageOutcome page_request_streamed(ExchangeFactory& factory, std::string_view utf8_url,
                                  PageRequestOptions& options, BodySink& sink, std::uint64_t max_body_bytes);
