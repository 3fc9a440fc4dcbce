// The exchange over libcurl: one hop per send (redirects are followed above
// it, fetch/redirects.h), the body handed on as it arrives, each thread's easy
// handle kept so that the next page from the same server goes over the
// connection already open, as curl's own tool does.
#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "common/close_with.h"
#include "fetch/exchange.h"
#include "fetch/redirects.h"
#include "fetch/request_headers.h"

namespace {

using Clock = std::chrono::steady_clock;

// Windows' own defaults where no time-outs are given.
constexpr std::int32_t kDefaultConnectMs = 60000;
constexpr std::int32_t kDefaultReceiveMs = 30000;
constexpr char kProtocols[] = "http,https";

using EasyHandle = std::unique_ptr<CURL, CloseWith<curl_easy_cleanup>>;
using HeaderList = std::unique_ptr<curl_slist, CloseWith<curl_slist_free_all>>;

bool append_line(HeaderList& list, const std::string& line) {
  curl_slist* head = curl_slist_append(list.get(), line.c_str());
  if (head == nullptr) return false;
  (void)list.release();
  list.reset(head);
  return true;
}

std::string upper(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return folded;
}

// The thread's easy handle, its options back at curl's defaults. Every option
// is set again for each exchange and curl's cookie engine is never switched
// on, so nothing of one page's request reaches the next.
CURL* thread_handle() {
  thread_local EasyHandle handle;
  if (handle == nullptr) {
    handle.reset(curl_easy_init());
  } else {
    curl_easy_reset(handle.get());
  }
  return handle.get();
}

// Where the exchange's proxy comes from.
struct ProxyChoice {
  bool from_environment = false;  // curl reads http_proxy and the rest itself
  std::string address;            // otherwise this one, or none when empty
};

class CurlExchange final : public HttpExchange {
 public:
  explicit CurlExchange(ProxyChoice proxy) : proxy_(std::move(proxy)) {}

  void set_timeouts(std::int32_t, std::int32_t connect_ms, std::int32_t send_ms,
                    std::int32_t receive_ms) override {
    connect_ms_ = connect_ms;
    // Sending and receiving share the one rule: so long without a byte either way.
    receive_ms_ = std::max(send_ms, receive_ms);
  }

  FetchFailure open(std::string_view method, std::string_view url) override {
    method_ = upper(method);
    url_ = std::string(url);
    headers_.clear();
    return FetchFailure::kNone;
  }

  void set_follow_redirects(bool) override {}

  FetchFailure set_request_header(std::string_view name, std::string_view value) override {
    return headers_.set(name, value);
  }

  FetchFailure send(std::string_view body, BodySink& sink, CancelCheck* cancel) override {
    status_ = 0;
    response_headers_.clear();
    CURL* handle = thread_handle();
    if (handle == nullptr) return FetchFailure::kFailed;
    HeaderList header_list;
    for (const RequestHeaders::Header& header : headers_.all()) {
      // curl drops "Name:" but sends "Name;" as an empty header.
      const std::string line = header.value.empty() ? header.name + ";" : header.name + ": " + header.value;
      if (!append_line(header_list, line)) return FetchFailure::kFailed;
    }
    // Besides Host, Windows' object adds this line of its own, and asks for no 100-continue.
    const bool connection_named = headers_.has("Connection");
    if ((!connection_named && !append_line(header_list, "Connection: Keep-Alive")) ||
        !append_line(header_list, "Expect:")) {
      return FetchFailure::kFailed;
    }

    curl_easy_setopt(handle, CURLOPT_URL, url_.c_str());
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, kProtocols);
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(handle, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!proxy_.from_environment) curl_easy_setopt(handle, CURLOPT_PROXY, proxy_.address.c_str());
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, header_list.get());
    if (method_ == "GET" && body.empty()) {
      curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
    } else if (method_ == "HEAD" && body.empty()) {
      curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
    } else {
      curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
      curl_easy_setopt(handle, CURLOPT_POSTFIELDS, body.data());
      if (method_ != "POST") curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, method_.c_str());
    }
    if (connect_ms_ > 0) curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(connect_ms_));
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &CurlExchange::on_body);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, &CurlExchange::on_header);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &CurlExchange::on_progress);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);

    sink_ = &sink;
    cancel_ = cancel;
    moved_ = 0;
    last_byte_ = Clock::now();
    why_stopped_ = FetchFailure::kNone;
    const CURLcode code = curl_easy_perform(handle);
    sink_ = nullptr;
    cancel_ = nullptr;
    if (code == CURLE_OK) {
      long status = 0;
      curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
      status_ = static_cast<std::int32_t>(status);
      return FetchFailure::kNone;
    }
    return why_stopped_ != FetchFailure::kNone ? why_stopped_ : failure_of(code);
  }

  std::int32_t status() const override { return status_; }
  std::string response_headers() const override { return response_headers_; }

 private:
  FetchFailure failure_of(CURLcode code) const {
    switch (code) {
      case CURLE_OPERATION_TIMEDOUT:
        return FetchFailure::kTimedOut;
      case CURLE_COULDNT_CONNECT:
        return FetchFailure::kRefused;
      case CURLE_COULDNT_RESOLVE_HOST:
        return FetchFailure::kHostNotFound;
      case CURLE_URL_MALFORMAT:
        return FetchFailure::kNotAddress;
      case CURLE_RECV_ERROR:
      case CURLE_SEND_ERROR:
      case CURLE_PARTIAL_FILE:
      case CURLE_GOT_NOTHING:
        return FetchFailure::kReset;
      // The scheme was checked before: what curl cannot speak here is a reply
      // in no protocol it knows (an HTTP/0.9 answer, or none at all).
      case CURLE_UNSUPPORTED_PROTOCOL:
      case CURLE_WEIRD_SERVER_REPLY:
        return FetchFailure::kNotHttp;
      case CURLE_PEER_FAILED_VERIFICATION:
      case CURLE_SSL_CACERT_BADFILE:
      case CURLE_SSL_ISSUER_ERROR:
        return FetchFailure::kUntrusted;
      case CURLE_SSL_CONNECT_ERROR:
      case CURLE_SSL_CERTPROBLEM:
      case CURLE_SSL_CIPHER:
        return FetchFailure::kSecureFailed;
      default:
        return FetchFailure::kFailed;
    }
  }

  static std::size_t on_body(char* data, std::size_t size, std::size_t count, void* self) {
    auto& exchange = *static_cast<CurlExchange*>(self);
    if (!exchange.sink_->take(std::string_view(data, size * count))) {
      exchange.why_stopped_ = FetchFailure::kTooLarge;
      return 0;
    }
    return size * count;
  }

  // The header lines of the last response only, without its status line; the
  // status is known from the status line on, before any of the body.
  static std::size_t on_header(char* data, std::size_t size, std::size_t count, void* self) {
    auto& exchange = *static_cast<CurlExchange*>(self);
    std::string_view line(data, size * count);
    if (line.starts_with("HTTP/")) {
      exchange.response_headers_.clear();
      const std::size_t space = line.find(' ');
      exchange.status_ =
          space == std::string_view::npos ? 0 : std::atoi(std::string(line.substr(space + 1, 3)).c_str());
      return size * count;
    }
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    exchange.response_headers_.append(line).append("\r\n");
    return size * count;
  }

  // Windows' rule for every wait: so long without a byte ends the exchange; a
  // response that keeps coming is never cut off.
  static int on_progress(void* self, curl_off_t, curl_off_t received, curl_off_t, curl_off_t sent) {
    auto& exchange = *static_cast<CurlExchange*>(self);
    if (exchange.cancel_ != nullptr && exchange.cancel_->cancelled()) {
      exchange.why_stopped_ = FetchFailure::kCancelled;
      return 1;
    }
    const Clock::time_point now = Clock::now();
    if (received + sent != exchange.moved_) {
      exchange.moved_ = received + sent;
      exchange.last_byte_ = now;
      return 0;
    }
    if (exchange.receive_ms_ > 0 &&
        now - exchange.last_byte_ >= std::chrono::milliseconds(exchange.receive_ms_)) {
      exchange.why_stopped_ = FetchFailure::kTimedOut;
      return 1;
    }
    return 0;
  }

  const ProxyChoice proxy_;
  std::int32_t connect_ms_ = kDefaultConnectMs;
  std::int32_t receive_ms_ = kDefaultReceiveMs;
  std::string method_ = "GET";
  std::string url_;
  RequestHeaders headers_;

  std::int32_t status_ = 0;
  std::string response_headers_;
  BodySink* sink_ = nullptr;
  CancelCheck* cancel_ = nullptr;
  curl_off_t moved_ = 0;
  Clock::time_point last_byte_;
  FetchFailure why_stopped_ = FetchFailure::kNone;
};

class CurlFactory final : public ExchangeFactory {
 public:
  explicit CurlFactory(ProxyChoice proxy) : proxy_(std::move(proxy)) {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  }
  std::unique_ptr<HttpExchange> create() override {
    return following_redirects(std::make_unique<CurlExchange>(proxy_));
  }

 private:
  const ProxyChoice proxy_;
};

}  // namespace

// The window's object uses no proxy of the environment's.
std::unique_ptr<ExchangeFactory> window_exchange_factory() {
  return std::make_unique<CurlFactory>(ProxyChoice{});
}

std::unique_ptr<ExchangeFactory> batch_exchange_factory(const std::string& proxy) {
  return std::make_unique<CurlFactory>(ProxyChoice{proxy.empty(), proxy});
}
