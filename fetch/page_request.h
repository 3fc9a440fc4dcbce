// One complete HTTP exchange through the platform's HTTP automation object.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/text.h"
#include "fetch/automation.h"

// What the window never shows of an exchange, for callers that report it.
struct PageOutcome {
  std::int32_t status = 0;   // HTTP status of the last response; 0 when none arrived
  std::int32_t failure = 0;  // how Open or else Send failed (kRequest...); 0 when neither did
  std::size_t body_bytes = 0;
};

// Failures as the WinHTTP object reports them: HRESULT_FROM_WIN32 of its
// error codes. The object over libcurl reports the same ones.
constexpr std::int32_t request_failure(std::uint32_t winhttp_error) {
  return static_cast<std::int32_t>(0x80070000u | winhttp_error);
}
inline constexpr std::int32_t kRequestOutOfMemory = request_failure(8);
inline constexpr std::int32_t kRequestAborted = request_failure(1223);  // ERROR_CANCELLED, after Abort
inline constexpr std::int32_t kRequestInvalidArgument = request_failure(87);
inline constexpr std::int32_t kRequestTimeout = request_failure(12002);
inline constexpr std::int32_t kRequestInvalidUrl = request_failure(12005);
inline constexpr std::int32_t kRequestUnrecognizedScheme = request_failure(12006);
inline constexpr std::int32_t kRequestNameNotResolved = request_failure(12007);
inline constexpr std::int32_t kRequestCancelled = request_failure(12017);
inline constexpr std::int32_t kRequestCannotConnect = request_failure(12029);
inline constexpr std::int32_t kRequestConnectionError = request_failure(12030);
inline constexpr std::int32_t kRequestCannotCallBeforeOpen = request_failure(12100);
inline constexpr std::int32_t kRequestCannotCallBeforeSend = request_failure(12101);
inline constexpr std::int32_t kRequestRedirectFailed = request_failure(12156);
inline constexpr std::int32_t kRequestSecureChannelError = request_failure(12157);
inline constexpr std::int32_t kRequestSecureFailure = request_failure(12175);
// DISP_E_UNKNOWNNAME
inline constexpr std::int32_t kRequestUnknownMember = static_cast<std::int32_t>(0x80020006u);

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
  // Not one of the ten: when set, the routine also reads the status and keeps
  // the failure here. Left null, the exchange is exactly the ten's.
  PageOutcome* outcome = nullptr;
};

inline constexpr char kHttpRequestProgId[] = "WinHttp.WinHttpRequest.5.1";

// The exchange driven through whatever object `factory` creates. Returns the
// response body; empty when the object cannot be created or no body arrives.
ByteSet page_request_with(AutomationFactory& factory, const Text& url, PageRequestOptions& options);

// The same through the platform's object: the real WinHTTP object in its own
// COM apartment on Windows, the object over libcurl elsewhere.
ByteSet page_request(const Text& url, PageRequestOptions& options);
ByteSet page_request(const Text& url);
