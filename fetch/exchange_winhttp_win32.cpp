// The batch program's exchange on Windows, over WinHTTP's C API: one session
// per worker, whose connections WinHTTP keeps open from one page to the next,
// and the body read as it arrives and handed on, never held whole. One hop per
// send: redirects follow our rules (fetch/redirects.h).
#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/close_with.h"
#include "common/codepage_win32.h"
#include "fetch/exchange.h"
#include "fetch/redirects.h"
#include "fetch/request_headers.h"
#include "fetch/winhttp_failures_win32.h"

namespace {

using Internet = std::unique_ptr<void, CloseWith<WinHttpCloseHandle>>;

constexpr DWORD kReadPiece = 64 * 1024;

std::wstring wide(std::string_view utf8) { return to_wide(CP_UTF8, 0, utf8); }

FetchFailure last_failure() { return failure_of_winhttp_error(GetLastError()); }

class WinHttpExchange final : public HttpExchange {
 public:
  explicit WinHttpExchange(HINTERNET session) : session_(session) {}

  void set_timeouts(std::int32_t resolve_ms, std::int32_t connect_ms, std::int32_t send_ms,
                    std::int32_t receive_ms) override {
    timeouts_ = {resolve_ms, connect_ms, send_ms, receive_ms};
  }

  FetchFailure open(std::string_view method, std::string_view url) override {
    method_ = wide(method);
    url_ = wide(url);
    headers_.clear();
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (url_.empty() || !WinHttpCrackUrl(url_.c_str(), static_cast<DWORD>(url_.size()), 0, &parts))
      return last_failure();
    host_.assign(parts.lpszHostName, parts.dwHostNameLength);
    port_ = parts.nPort;
    secure_ = parts.nScheme == INTERNET_SCHEME_HTTPS;
    target_.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
    target_.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (target_.empty()) target_ = L"/";
    return FetchFailure::kNone;
  }

  void set_follow_redirects(bool) override {}

  FetchFailure set_request_header(std::string_view name, std::string_view value) override {
    return headers_.set(name, value);
  }

  FetchFailure send(std::string_view body, BodySink& sink, CancelCheck* cancel) override {
    status_ = 0;
    response_headers_.clear();
    const Internet connection(WinHttpConnect(session_, host_.c_str(), port_, 0));
    if (connection == nullptr) return last_failure();
    const Internet request(WinHttpOpenRequest(connection.get(), method_.c_str(), target_.c_str(), nullptr,
                                              WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                              secure_ ? WINHTTP_FLAG_SECURE : 0));
    if (request == nullptr) return last_failure();
    if (!configure(request.get())) return last_failure();

    std::wstring header_block;
    for (const RequestHeaders::Header& header : headers_.all()) {
      header_block += wide(header.name) + L": " + wide(header.value) + L"\r\n";
    }
    if (!header_block.empty() &&
        !WinHttpAddRequestHeaders(request.get(), header_block.c_str(),
                                  static_cast<DWORD>(header_block.size()),
                                  WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE)) {
      return last_failure();
    }
    const auto length = static_cast<DWORD>(body.size());
    if (!WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, const_cast<char*>(body.data()),
                            length, length, 0) ||
        !WinHttpReceiveResponse(request.get(), nullptr)) {
      return last_failure();
    }

    DWORD status = 0;
    DWORD size = sizeof status;
    WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                        WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX);
    status_ = static_cast<std::int32_t>(status);
    response_headers_ = header_lines(request.get());

    const std::optional<std::uint64_t> announced = announced_length();
    std::uint64_t arrived = 0;
    std::vector<char> piece(kReadPiece);
    for (;;) {
      if (cancel != nullptr && cancel->cancelled()) return FetchFailure::kCancelled;
      // Only what is there: Wine's read waits to fill the whole buffer, up to
      // the announced length, and loses it all when the connection breaks.
      DWORD available = 0;
      if (!WinHttpQueryDataAvailable(request.get(), &available)) return last_failure();
      DWORD read = 0;
      if (available != 0 &&
          !WinHttpReadData(request.get(), piece.data(), std::min(available, kReadPiece), &read)) {
        return last_failure();
      }
      // Wine's WinHTTP ends a body quietly when the connection breaks before
      // its announced length; Windows' fails the read.
      if (read == 0) return announced && arrived < *announced ? FetchFailure::kReset : FetchFailure::kNone;
      arrived += read;
      if (!sink.take(std::string_view(piece.data(), read))) return FetchFailure::kTooLarge;
    }
  }

  std::int32_t status() const override { return status_; }
  std::string response_headers() const override { return response_headers_; }

 private:
  bool configure(HINTERNET request) const {
    if (!WinHttpSetTimeouts(request, timeouts_[0], timeouts_[1], timeouts_[2], timeouts_[3])) return false;
    // Bounds the wait for the response head too, by the same rule.
    DWORD head_ms = static_cast<DWORD>(timeouts_[3]);
    WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &head_ms, sizeof head_ms);
    DWORD never = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
    DWORD no_cookies = WINHTTP_DISABLE_COOKIES;
    return WinHttpSetOption(request, WINHTTP_OPTION_REDIRECT_POLICY, &never, sizeof never) &&
           WinHttpSetOption(request, WINHTTP_OPTION_DISABLE_FEATURE, &no_cookies, sizeof no_cookies);
  }

  // The length a body without the chunked coding announces, if any.
  std::optional<std::uint64_t> announced_length() const {
    if (method_ == L"HEAD" || status_ < 200 || status_ == 204 || status_ == 304) return std::nullopt;
    if (!header_value(response_headers_, "Transfer-Encoding").empty()) return std::nullopt;
    const std::string length = header_value(response_headers_, "Content-Length");
    if (length.empty() || length.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    return std::strtoull(length.c_str(), nullptr, 10);
  }

  // The header lines without the status line (which Wine puts in), in UTF-8.
  static std::string header_lines(HINTERNET request) {
    DWORD bytes = 0;
    WinHttpQueryHeaders(request, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX,
                        WINHTTP_NO_OUTPUT_BUFFER, &bytes, WINHTTP_NO_HEADER_INDEX);
    if (bytes == 0) return {};
    std::wstring text(bytes / sizeof(wchar_t), L'\0');
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX,
                             text.data(), &bytes, WINHTTP_NO_HEADER_INDEX)) {
      return {};
    }
    text.resize(bytes / sizeof(wchar_t));
    const std::size_t first_end = text.find(L"\r\n");
    if (text.starts_with(L"HTTP/") && first_end != std::wstring::npos) text.erase(0, first_end + 2);
    return from_wide(CP_UTF8, 0, text);
  }

  HINTERNET const session_;
  std::array<std::int32_t, 4> timeouts_{60000, 60000, 30000, 30000};
  std::wstring method_ = L"GET";
  std::wstring url_;
  std::wstring host_;
  INTERNET_PORT port_ = 0;
  bool secure_ = false;
  std::wstring target_;
  RequestHeaders headers_;
  std::int32_t status_ = 0;
  std::string response_headers_;
};

// A session through `proxy` ("http://host:port", or "host:port"), or through
// the proxy configured for the user when it is empty: Internet Options' own
// when it names one, else WinHTTP's default (netsh, or under Wine http_proxy).
HINTERNET open_session(const std::string& proxy) {
  // No user agent of the session's own: the request names one.
  if (!proxy.empty()) {
    std::wstring name = wide(proxy);
    if (const std::size_t scheme = name.find(L"://"); scheme != std::wstring::npos) name.erase(0, scheme + 3);
    while (!name.empty() && name.back() == L'/') name.pop_back();
    return WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_NAMED_PROXY, name.c_str(), WINHTTP_NO_PROXY_BYPASS, 0);
  }
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG user{};
  HINTERNET session = nullptr;
  if (WinHttpGetIEProxyConfigForCurrentUser(&user) && user.lpszProxy != nullptr) {
    session =
        WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_NAMED_PROXY, user.lpszProxy,
                    user.lpszProxyBypass != nullptr ? user.lpszProxyBypass : WINHTTP_NO_PROXY_BYPASS, 0);
  } else {
    session = WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                          WINHTTP_NO_PROXY_BYPASS, 0);
  }
  for (LPWSTR held : {user.lpszAutoConfigUrl, user.lpszProxy, user.lpszProxyBypass}) {
    if (held != nullptr) GlobalFree(held);
  }
  return session;
}

class WinHttpFactory final : public ExchangeFactory {
 public:
  explicit WinHttpFactory(const std::string& proxy) : session_(open_session(proxy)) {}
  std::unique_ptr<HttpExchange> create() override {
    if (session_ == nullptr) return nullptr;
    return following_redirects(std::make_unique<WinHttpExchange>(session_.get()));
  }

 private:
  Internet session_;
};

}  // namespace

std::unique_ptr<ExchangeFactory> batch_exchange_factory(const std::string& proxy) {
  return std::make_unique<WinHttpFactory>(proxy);
}
