#include "fetch/winhttp_failures_win32.h"

#include <windows.h>
#include <winhttp.h>

namespace {

// Wine's WinHTTP lets some socket errors through where Windows' names its own.
constexpr std::uint32_t kSocketConnectionAborted = 10053;  // WSAECONNABORTED
constexpr std::uint32_t kSocketConnectionReset = 10054;    // WSAECONNRESET
constexpr std::uint32_t kSocketTimedOut = 10060;           // WSAETIMEDOUT
constexpr std::uint32_t kSocketRefused = 10061;            // WSAECONNREFUSED

}  // namespace

FetchFailure failure_of_winhttp_error(std::uint32_t error) {
  switch (error) {
    case kSocketTimedOut:
      return FetchFailure::kTimedOut;
    case kSocketConnectionAborted:
    case kSocketConnectionReset:
      return FetchFailure::kReset;
    case kSocketRefused:
      return FetchFailure::kRefused;
    case ERROR_WINHTTP_TIMEOUT:
    // The watch aborted a wait that the object itself did not bound.
    case ERROR_WINHTTP_OPERATION_CANCELLED:
    case ERROR_CANCELLED:
      return FetchFailure::kTimedOut;
    case ERROR_WINHTTP_CANNOT_CONNECT:
      return FetchFailure::kRefused;
    case ERROR_WINHTTP_CONNECTION_ERROR:
      return FetchFailure::kReset;
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
      return FetchFailure::kNotHttp;
    case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
      return FetchFailure::kSecureFailed;
    case ERROR_WINHTTP_SECURE_FAILURE:
    case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
    case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
    case ERROR_WINHTTP_SECURE_INVALID_CA:
    case ERROR_WINHTTP_SECURE_CERT_REV_FAILED:
    case ERROR_WINHTTP_SECURE_INVALID_CERT:
    case ERROR_WINHTTP_SECURE_CERT_REVOKED:
    case ERROR_WINHTTP_SECURE_CERT_WRONG_USAGE:
      return FetchFailure::kUntrusted;
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
      return FetchFailure::kHostNotFound;
    case ERROR_WINHTTP_INVALID_URL:
      return FetchFailure::kNotAddress;
    case ERROR_WINHTTP_UNRECOGNIZED_SCHEME:
      return FetchFailure::kUnsupportedScheme;
    case ERROR_NOT_ENOUGH_MEMORY:
    default:
      return FetchFailure::kFailed;
  }
}
