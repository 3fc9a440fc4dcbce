#include "fetch/exchange.h"

std::string_view failure_words(FetchFailure failure) {
  switch (failure) {
    case FetchFailure::kNone:
      return "";
    case FetchFailure::kTimedOut:
      return "no answer in 15 s";
    case FetchFailure::kRefused:
      return "connection refused";
    case FetchFailure::kReset:
      return "connection reset";
    case FetchFailure::kNotHttp:
      return "not an HTTP reply";
    case FetchFailure::kSecureFailed:
      return "the secure connection failed";
    case FetchFailure::kUntrusted:
      return "certificate not trusted";
    case FetchFailure::kTooManyRedirects:
      return "too many redirects";
    case FetchFailure::kRedirectScheme:
      return "a redirect to another scheme";
    case FetchFailure::kTooLarge:
      return "page too large";
    case FetchFailure::kHostNotFound:
      return "host not found";
    case FetchFailure::kNotAddress:
      return "not a page address";
    case FetchFailure::kUnsupportedScheme:
      return "only http and https pages are fetched";
    case FetchFailure::kCancelled:
      return "cancelled";
    case FetchFailure::kFailed:
      break;
  }
  return "exchange failed";
}
