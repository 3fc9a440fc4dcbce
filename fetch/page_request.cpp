#include "fetch/page_request.h"

#include <limits>
#include <string>

#include "common/text_ops.h"
#include "fetch/address.h"
#include "fetch/cookie_merge.h"
#include "fetch/local_utf8.h"
#include "fetch/utf8.h"

namespace {

constexpr std::int32_t kDefaultTimeoutMs = 15000;
constexpr double kMillisecondsPerSecond = 1000.0;
constexpr std::int32_t kLeaveTimeouts = -1;

const Text kLineBreak = "\r\n";
const Text kColon = ":";
const Text kDefaultRequestHeaders =
    "\r\nAccept: */*\r\nAccept-Language: zh-cn\r\n"
    "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; Trident/5.0)\r\n"
    "Content-Type: application/x-www-form-urlencoded";

// Opens the factory's scope for one exchange and closes it on every way out,
// after the exchange has been released.
class FactoryScope {
 public:
  explicit FactoryScope(ExchangeFactory& factory) : factory_(factory) { factory_.initialize(); }
  FactoryScope(const FactoryScope&) = delete;
  FactoryScope& operator=(const FactoryScope&) = delete;
  ~FactoryScope() { factory_.uninitialize(); }

 private:
  ExchangeFactory& factory_;
};

// Counts what arrives and stops it past the limit.
class CountingSink final : public BodySink {
 public:
  CountingSink(BodySink& next, std::uint64_t limit) : next_(next), limit_(limit) {}
  bool take(std::string_view piece) override {
    count += piece.size();
    if (limit_ != 0 && count > limit_) return false;
    return next_.take(piece);
  }
  std::uint64_t count = 0;

 private:
  BodySink& next_;
  const std::uint64_t limit_;
};

class CollectingSink final : public BodySink {
 public:
  bool take(std::string_view piece) override {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(piece.data());
    body.insert(body.end(), bytes, bytes + piece.size());
    return true;
  }
  ByteSet body;
};

std::int32_t timeout_milliseconds(std::int32_t seconds) {
  if (seconds < 1) return kDefaultTimeoutMs;
  const double milliseconds = seconds * kMillisecondsPerSecond;
  // Past about 24.8 days the product no longer fits 32 bits: wait as long as can be said.
  constexpr auto kLongest = std::numeric_limits<std::int32_t>::max();
  if (milliseconds >= static_cast<double>(kLongest)) return kLongest;
  return static_cast<std::int32_t>(milliseconds);
}

// The name is everything before the first colon, as written; the value is
// everything after it, unchanged (its leading space and any inner or trailing
// colons included).
void apply_header_line(HttpExchange& request, const Text& line) {
  const std::int32_t colon = text_find(line, kColon);
  if (colon == -1) return;
  request.set_request_header(local_to_utf8(text_left(line, colon - 1)),
                             local_to_utf8(text_right(line, line.length() - colon)));
}

void apply_request_headers(HttpExchange& request, const Text& headers) {
  if (text_contains(headers, kLineBreak)) {
    for (const Text& line : text_split(headers, kLineBreak)) apply_header_line(request, line);
  } else {
    apply_header_line(request, headers);
  }
}

// Whether a response header line is named `name`: the text before its first
// colon, trimmed, compared with ASCII letters folded.
bool header_named(const Text& line, const Text& name) {
  const std::int32_t colon = text_find(line, kColon);
  if (colon == -1) return false;
  return text_upper(text_trim(text_left(line, colon - 1))) == text_upper(name);
}

Text header_value(const Text& line) {
  return text_trim(text_right(line, line.length() - text_find(line, kColon)));
}

// The cookie of a Set-Cookie line: its value up to the first ";", or all of it.
Text set_cookie_piece(const Text& line) {
  Text after_name = kColon;
  Text piece_end = ";";
  return text_trim(text_between(line + piece_end, after_name, piece_end));
}

void read_response_headers(const Text& response_headers, Text& location, Text& received) {
  for (const Text& line : text_split(response_headers, kLineBreak)) {
    if (header_named(line, "Location")) location = header_value(line);
    if (header_named(line, "Set-Cookie")) {
      const Text cookie = set_cookie_piece(line);
      if (!cookie.empty()) received = text_concat({received, cookie, "; "});
    }
  }
}

// The exchange itself; kFailed when no exchange can be made.
PageOutcome exchange_page(ExchangeFactory& factory, std::string_view utf8_url, PageRequestOptions& options,
                          BodySink& sink, std::uint64_t max_body_bytes) {
  PageOutcome outcome;
  const FactoryScope scope(factory);
  std::unique_ptr<HttpExchange> http_request = factory.create();
  if (http_request == nullptr) {
    outcome.failure = FetchFailure::kFailed;
    return outcome;
  }

  options.method = text_upper(options.method);
  if (options.method.empty()) options.method = "GET";

  // Each wait of the exchange is bounded by the time-outs it is given.
  if (options.timeout != kLeaveTimeouts) {
    const std::int32_t limit_ms = timeout_milliseconds(options.timeout);
    http_request->set_timeouts(limit_ms, limit_ms, limit_ms, limit_ms);
  }
  const FetchFailure open_failure = http_request->open(local_to_utf8(options.method), utf8_url);
  if (options.no_redirect != 0) http_request->set_follow_redirects(false);

  // The address as it may be told to another server: no user name, password
  // or fragment.
  if (options.headers.empty())
    options.headers = text_concat({"Referer: ", referer_of(utf8_url), kDefaultRequestHeaders});
  if (!options.cookies.empty()) http_request->set_request_header("Cookie", local_to_utf8(options.cookies));
  apply_request_headers(*http_request, options.headers);

  CountingSink counted(sink, max_body_bytes);
  FetchFailure failure = open_failure;
  if (failure == FetchFailure::kNone) {
    if (!options.post_bytes.empty()) {
      const std::string_view body(reinterpret_cast<const char*>(options.post_bytes.data()),
                                  options.post_bytes.size());
      failure = http_request->send(body, counted, options.cancel);
    } else {
      failure = http_request->send(local_to_utf8(options.post_text), counted, options.cancel);
    }
  }
  outcome.failure = failure;
  outcome.status = http_request->status();
  outcome.body_bytes = counted.count;

  // A failed exchange leaves nothing worth reading.
  options.response_headers =
      failure == FetchFailure::kNone ? utf8_to_local(http_request->response_headers()) : Text();
  options.received = Text();
  read_response_headers(options.response_headers, options.location, options.received);
  cookie_merge(options.cookies, options.received);
  if (options.location.empty()) options.location = options.response_headers;

  http_request.reset();
  return outcome;
}

}  // namespace

ByteSet page_request_with(ExchangeFactory& factory, const Text& url, PageRequestOptions& options) {
  CollectingSink collected;
  const PageOutcome outcome = exchange_page(factory, local_to_utf8(url), options, collected, 0);
  if (options.outcome != nullptr) *options.outcome = outcome;
  return outcome.failure == FetchFailure::kNone ? std::move(collected.body) : ByteSet();
}

ByteSet page_request(const Text& url, PageRequestOptions& options) {
  const std::unique_ptr<ExchangeFactory> factory = window_exchange_factory();
  return page_request_with(*factory, url, options);
}

ByteSet page_request(const Text& url) {
  PageRequestOptions omitted;
  return page_request(url, omitted);
}

PageOutcome page_request_streamed(ExchangeFactory& factory, std::string_view utf8_url,
                                  PageRequestOptions& options, BodySink& sink, std::uint64_t max_body_bytes) {
  return exchange_page(factory, utf8_url, options, sink, max_body_bytes);
}
