// One complete HTTP exchange through the platform's HTTP automation object.
#pragma once

#include <cstdint>

#include "common/text.h"
#include "fetch/automation.h"

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
};

inline constexpr char kHttpRequestProgId[] = "WinHttp.WinHttpRequest.5.1";

// The exchange driven through whatever object `factory` creates. Returns the
// response body; empty when the object cannot be created or no body arrives.
ByteSet page_request_with(AutomationFactory& factory, const Text& url, PageRequestOptions& options);

#ifdef _WIN32
// The same through the real WinHTTP object, in its own COM apartment.
ByteSet page_request(const Text& url, PageRequestOptions& options);
ByteSet page_request(const Text& url);
#endif

// The part of `text` between the first `left` at or after `start` and the next
// `right` after it; empty when either is missing. Case is folded unless
// `case_sensitive`. The marker "#引号" in `left` or `right` is rewritten in
// place to a double quote, so callers can name quote delimiters.
Text text_between(const Text& text, Text& left, Text& right, std::int32_t start = 1,
                  bool case_sensitive = false);
