#include "fetch/page_request.h"

#include <limits>

#include "common/text_ops.h"
#include "fetch/cookie_merge.h"

namespace {

constexpr std::int32_t kDefaultTimeoutMs = 15000;
constexpr double kMillisecondsPerSecond = 1000.0;
constexpr std::int32_t kLeaveTimeouts = -1;
constexpr std::int32_t kEnableRedirectsOption = 6;
constexpr std::int32_t kRedirectsOff = 0;

const Text kLineBreak = "\r\n";
const Text kColon = ":";
const Text kDefaultRequestHeaders =
    "\r\nAccept: */*\r\nAccept-Language: zh-cn\r\n"
    "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; Trident/5.0)\r\n"
    "Content-Type: application/x-www-form-urlencoded";

// Opens the apartment for one exchange and closes it on every way out, after
// the object has been released.
class ApartmentScope {
 public:
  explicit ApartmentScope(AutomationFactory& factory) : factory_(factory) { factory_.initialize(); }
  ApartmentScope(const ApartmentScope&) = delete;
  ApartmentScope& operator=(const ApartmentScope&) = delete;
  ~ApartmentScope() { factory_.uninitialize(); }

 private:
  AutomationFactory& factory_;
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
void apply_header_line(AutomationObject& request, const Text& line) {
  const std::int32_t colon = text_find(line, kColon);
  if (colon == -1) return;
  request.call("SetRequestHeader", {text_left(line, colon - 1), text_right(line, line.length() - colon)});
}

void apply_request_headers(AutomationObject& request, const Text& headers) {
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

}  // namespace

ByteSet page_request_with(AutomationFactory& factory, const Text& url, PageRequestOptions& options) {
  const ApartmentScope apartment(factory);
  std::unique_ptr<AutomationObject> http_request = factory.create(kHttpRequestProgId);
  if (http_request == nullptr) return {};

  options.method = text_upper(options.method);
  if (options.method.empty()) options.method = "GET";

  // Each wait of the exchange is bounded by the time-outs it is given. An
  // object may put its own defaults back in Open (Wine's does), so they are
  // given again after it; where the object keeps them, that changes nothing.
  // The wait for the response head, which such an object may not bound at
  // all, is bounded by the same value.
  std::int32_t limit_ms = 0;
  const auto set_timeouts = [&] {
    if (limit_ms != 0) http_request->call("SetTimeouts", {limit_ms, limit_ms, limit_ms, limit_ms});
  };
  if (options.timeout != kLeaveTimeouts) limit_ms = timeout_milliseconds(options.timeout);
  set_timeouts();

  http_request->call("Open", {options.method, url, false});
  const std::int32_t open_failure = http_request->last_failure();
  set_timeouts();
  if (options.no_redirect != 0) http_request->put("Option", {kEnableRedirectsOption, kRedirectsOff});

  if (options.headers.empty()) options.headers = text_concat({"Referer: ", url, kDefaultRequestHeaders});
  if (!options.cookies.empty()) http_request->call("SetRequestHeader", {Text("Cookie"), options.cookies});
  apply_request_headers(*http_request, options.headers);

  if (!options.post_bytes.empty()) {
    http_request->call_bounded("Send", {options.post_bytes}, limit_ms);
  } else {
    http_request->call_bounded("Send", {options.post_text}, limit_ms);
  }

  if (options.outcome != nullptr) {
    options.outcome->failure = open_failure != 0 ? open_failure : http_request->last_failure();
  }

  const ByteSet body = value_or_empty<ByteSet>(http_request->get("ResponseBody"));
  if (options.outcome != nullptr) {
    options.outcome->status = value_or_empty<std::int32_t>(http_request->get("Status"));
    options.outcome->body_bytes = body.size();
  }
  options.response_headers = value_or_empty<Text>(http_request->call("GetAllResponseHeaders"));

  options.received = Text();
  read_response_headers(options.response_headers, options.location, options.received);
  cookie_merge(options.cookies, options.received);
  if (options.location.empty()) options.location = options.response_headers;

  http_request.reset();
  return body;
}
