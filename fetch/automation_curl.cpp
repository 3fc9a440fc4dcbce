#include "fetch/automation_curl.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "common/close_with.h"
#include "common/text_ops.h"
#include "fetch/local_utf8.h"
#include "fetch/page_request.h"

namespace {

using Clock = std::chrono::steady_clock;

// The WinHTTP object's own defaults where SetTimeouts is not called, and its
// hop limit for redirects.
constexpr std::int32_t kDefaultConnectMs = 60000;
constexpr std::int32_t kDefaultReceiveMs = 30000;
constexpr long kMaxRedirects = 10;
constexpr curl_off_t kLargestReservation = curl_off_t{1} << 30;
constexpr std::int32_t kEnableRedirectsOption = 6;
// Both for the page and for every redirect: nothing else is spoken.
constexpr char kProtocols[] = "http,https";

using EasyHandle = std::unique_ptr<CURL, CloseWith<curl_easy_cleanup>>;
using HeaderList = std::unique_ptr<curl_slist, CloseWith<curl_slist_free_all>>;

bool append_line(HeaderList& list, const char* line) {
  curl_slist* head = curl_slist_append(list.get(), line);
  if (head == nullptr) return false;
  (void)list.release();
  list.reset(head);
  return true;
}

bool named(const Text& member, const char* name) { return text_upper(member) == text_upper(name); }

std::int32_t integer_of(const AutomationValue& value) {
  if (const auto* flag = std::get_if<bool>(&value)) return *flag ? 1 : 0;
  return value_or_empty<std::int32_t>(value);
}

// The scheme as the object judges it: http and https only, named in full.
std::int32_t failure_of_address(const Text& url) {
  const std::int32_t scheme_end = text_find(url, "://");
  if (scheme_end < 2) return kRequestInvalidUrl;
  const Text scheme = text_upper(text_left(url, scheme_end - 1));
  if (scheme != "HTTP" && scheme != "HTTPS") return kRequestUnrecognizedScheme;
  return 0;
}

// The address as the wire carries it: code page 936 text to UTF-8, and every
// byte past ASCII, and the space, percent-escaped.
std::string wire_address(const Text& url) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string wire;
  for (const char byte : local_to_utf8(url)) {
    const auto value = static_cast<unsigned char>(byte);
    if (value >= 0x80 || value <= 0x20) {
      wire += '%';
      wire += kHex[value >> 4];
      wire += kHex[value & 0x0F];
    } else {
      wire += byte;
    }
  }
  return wire;
}

// The thread's easy handle, its options back at curl's defaults. It is kept
// from one exchange to the next so that the next page from the same server
// goes over a connection already open, as curl's own tool does; every option
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

std::int32_t failure_of(CURLcode code, bool waited_too_long, bool answered) {
  if (waited_too_long || code == CURLE_OPERATION_TIMEDOUT) return kRequestTimeout;
  switch (code) {
    case CURLE_COULDNT_CONNECT:
      return kRequestCannotConnect;
    case CURLE_COULDNT_RESOLVE_HOST:
      return kRequestNameNotResolved;
    case CURLE_URL_MALFORMAT:
      return kRequestInvalidUrl;
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_TOO_MANY_REDIRECTS:
      // Only a redirect can name what the address check did not see.
      return answered ? kRequestRedirectFailed : kRequestUnrecognizedScheme;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_ISSUER_ERROR:
      return kRequestSecureFailure;
    default:
      return kRequestConnectionError;
  }
}

class CurlRequest final : public AutomationObject {
 public:
  AutomationValue invoke(MemberKind kind, const Text& member, const AutomationArguments& arguments) override {
    failure_ = 0;
    switch (kind) {
      case MemberKind::kPropertyPut:
        if (named(member, "Option")) return put_option(arguments);
        break;
      case MemberKind::kPropertyGet:
        if (named(member, "ResponseBody")) return response_body();
        if (named(member, "Status")) return status();
        break;
      case MemberKind::kMethod:
        if (named(member, "SetTimeouts")) return set_timeouts(arguments);
        if (named(member, "Open")) return open(arguments);
        if (named(member, "SetRequestHeader")) return set_request_header(arguments);
        if (named(member, "Send")) return send(arguments);
        if (named(member, "GetAllResponseHeaders")) return all_response_headers();
        if (named(member, "ResponseBody")) return response_body();
        if (named(member, "Status")) return status();
        break;
    }
    return fail(kRequestUnknownMember);
  }

  std::int32_t last_failure() const override { return failure_; }

 private:
  AutomationValue fail(std::int32_t failure) {
    failure_ = failure;
    return std::monostate{};
  }

  AutomationValue set_timeouts(const AutomationArguments& arguments) {
    if (arguments.size() != 4) return fail(kRequestInvalidArgument);
    connect_ms_ = integer_of(arguments[1]);
    // Sending and receiving share the one rule: so long without a byte either way.
    receive_ms_ = std::max(integer_of(arguments[2]), integer_of(arguments[3]));
    return std::monostate{};
  }

  AutomationValue open(const AutomationArguments& arguments) {
    opened_ = false;
    answered_ = false;
    headers_.clear();
    follow_redirects_ = true;
    if (arguments.size() < 2) return fail(kRequestInvalidArgument);
    method_ = value_or_empty<Text>(arguments[0]);
    url_ = value_or_empty<Text>(arguments[1]);
    if (const std::int32_t failure = failure_of_address(url_); failure != 0) return fail(failure);
    opened_ = true;
    return std::monostate{};
  }

  AutomationValue put_option(const AutomationArguments& arguments) {
    if (arguments.size() != 2) return fail(kRequestInvalidArgument);
    if (integer_of(arguments[0]) == kEnableRedirectsOption) follow_redirects_ = integer_of(arguments[1]) != 0;
    return std::monostate{};
  }

  // A second header of the same name replaces the first where it stands, as
  // the object's replacing add does; the value loses its leading spaces.
  AutomationValue set_request_header(const AutomationArguments& arguments) {
    if (!opened_) return fail(kRequestCannotCallBeforeOpen);
    if (arguments.size() != 2) return fail(kRequestInvalidArgument);
    const std::string name = value_or_empty<Text>(arguments[0]).bytes();
    std::string value = value_or_empty<Text>(arguments[1]).bytes();
    value.erase(0, value.find_first_not_of(' '));
    if (name.empty() || name.find_first_of(":\r\n") != std::string::npos)
      return fail(kRequestInvalidArgument);
    // curl drops "Name:" but sends "Name;" as an empty header.
    std::string line = value.empty() ? name + ";" : name + ": " + value;
    const Text folded = text_upper(name);
    for (auto& [held_name, held_line] : headers_) {
      if (held_name == folded) {
        held_line = std::move(line);
        return std::monostate{};
      }
    }
    headers_.emplace_back(folded, std::move(line));
    return std::monostate{};
  }

  AutomationValue send(const AutomationArguments& arguments) {
    sent_ = false;
    body_.clear();
    response_headers_.clear();
    status_ = 0;
    if (!opened_) return fail(kRequestCannotCallBeforeOpen);
    std::string request_body;
    if (!arguments.empty()) {
      if (const auto* bytes = std::get_if<ByteSet>(&arguments[0])) {
        request_body.assign(bytes->begin(), bytes->end());
      } else {
        request_body = value_or_empty<Text>(arguments[0]).bytes();
      }
    }

    CURL* handle = thread_handle();
    if (handle == nullptr) return fail(kRequestOutOfMemory);
    HeaderList header_list;
    for (const auto& [folded, line] : headers_) {
      if (!append_line(header_list, line.c_str())) return fail(kRequestOutOfMemory);
    }
    // Besides Host, the object adds this line of its own, and asks for no 100-continue.
    const bool connection_named = std::any_of(
        headers_.begin(), headers_.end(), [](const auto& header) { return header.first == "CONNECTION"; });
    if ((!connection_named && !append_line(header_list, "Connection: Keep-Alive")) ||
        !append_line(header_list, "Expect:")) {
      return fail(kRequestOutOfMemory);
    }

    easy_ = handle;
    const std::string address = wire_address(url_);
    const std::string method = method_.bytes();
    curl_easy_setopt(handle, CURLOPT_URL, address.c_str());
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, kProtocols);
    curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, kProtocols);
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, follow_redirects_ ? 1L : 0L);
    curl_easy_setopt(handle, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(handle, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
    // The object uses no proxy of the environment's.
    curl_easy_setopt(handle, CURLOPT_PROXY, "");
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, header_list.get());
    if (method == "GET" && request_body.empty()) {
      curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
    } else if (method == "HEAD" && request_body.empty()) {
      curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
    } else {
      curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request_body.size()));
      curl_easy_setopt(handle, CURLOPT_POSTFIELDS, request_body.data());
      if (method != "POST") curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, method.c_str());
      // A redirect keeps the method only where the object keeps it (307, 308).
      curl_easy_setopt(handle, CURLOPT_POSTREDIR, 0L);
    }
    if (connect_ms_ > 0) curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(connect_ms_));
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &CurlRequest::on_body);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, &CurlRequest::on_header);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &CurlRequest::on_progress);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);

    moved_ = 0;
    last_byte_ = Clock::now();
    waited_too_long_ = false;
    const CURLcode code = curl_easy_perform(handle);
    if (code != CURLE_OK) {
      body_.clear();
      response_headers_.clear();
      return fail(failure_of(code, waited_too_long_, answered_));
    }
    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    status_ = static_cast<std::int32_t>(status);
    sent_ = true;
    return std::monostate{};
  }

  AutomationValue response_body() {
    if (!sent_) return fail(kRequestCannotCallBeforeSend);
    return body_;
  }

  AutomationValue status() {
    if (!sent_) return fail(kRequestCannotCallBeforeSend);
    return status_;
  }

  AutomationValue all_response_headers() {
    if (!sent_) return fail(kRequestCannotCallBeforeSend);
    return Text(response_headers_);
  }

  static std::size_t on_body(char* data, std::size_t size, std::size_t count, void* self) {
    auto& request = *static_cast<CurlRequest*>(self);
    if (request.body_.empty()) {
      // Room for the announced length at once: no copies while a large page grows.
      curl_off_t announced = -1;
      curl_easy_getinfo(request.easy_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
      if (announced > 0 && announced <= kLargestReservation)
        request.body_.reserve(static_cast<std::size_t>(announced));
    }
    // As bytes of the body's own type, so that the copy is one memmove.
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(data);
    request.body_.insert(request.body_.end(), bytes, bytes + size * count);
    return size * count;
  }

  // The header lines of the last response only, without its status line, each
  // ending in "\r\n", then the blank line.
  static std::size_t on_header(char* data, std::size_t size, std::size_t count, void* self) {
    auto& request = *static_cast<CurlRequest*>(self);
    std::string_view line(data, size * count);
    if (line.starts_with("HTTP/")) {
      request.answered_ = true;
      request.response_headers_.clear();
      request.body_.clear();
      return size * count;
    }
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    request.response_headers_.append(line).append("\r\n");
    return size * count;
  }

  // Windows' rule for every wait: so long without a byte ends the exchange; a
  // response that keeps coming is never cut off.
  static int on_progress(void* self, curl_off_t, curl_off_t received, curl_off_t, curl_off_t sent) {
    auto& request = *static_cast<CurlRequest*>(self);
    const Clock::time_point now = Clock::now();
    if (received + sent != request.moved_) {
      request.moved_ = received + sent;
      request.last_byte_ = now;
      return 0;
    }
    if (request.receive_ms_ > 0 &&
        now - request.last_byte_ >= std::chrono::milliseconds(request.receive_ms_)) {
      request.waited_too_long_ = true;
      return 1;
    }
    return 0;
  }

  std::int32_t failure_ = 0;
  std::int32_t connect_ms_ = kDefaultConnectMs;
  std::int32_t receive_ms_ = kDefaultReceiveMs;
  bool opened_ = false;
  bool follow_redirects_ = true;
  Text method_;
  Text url_;
  // Upper-cased name, then the line curl sends.
  std::vector<std::pair<Text, std::string>> headers_;

  bool sent_ = false;
  bool answered_ = false;
  std::int32_t status_ = 0;
  ByteSet body_;
  std::string response_headers_;

  CURL* easy_ = nullptr;  // the handle of the exchange under way
  curl_off_t moved_ = 0;
  Clock::time_point last_byte_;
  bool waited_too_long_ = false;
};

}  // namespace

void CurlAutomationFactory::initialize() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::unique_ptr<AutomationObject> CurlAutomationFactory::create(const Text& prog_id) {
  if (text_upper(prog_id) != text_upper(kHttpRequestProgId)) return nullptr;
  return std::make_unique<CurlRequest>();
}
