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
