// The exchange over Windows' own HTTP request object ("WinHttp.WinHttpRequest.5.1"),
// driven late-bound through IDispatch: one hop per send, the object's own
// redirect following switched off so that redirects go by our rules
// (fetch/redirects.h) under every Windows and under Wine alike.
//
// The window keeps this object rather than WinHTTP's C API: under Wine its
// synchronous Send runs the thread's messages while it waits, so the window
// can still be closed during an exchange; the C API would hold the window
// still for as long as a slow server takes.
#include <windows.h>

#include <string>
#include <utility>

#include "fetch/automation_win32.h"
#include "fetch/exchange.h"
#include "fetch/local_utf8.h"
#include "fetch/redirects.h"
#include "fetch/utf8.h"
#include "fetch/winhttp_failures_win32.h"

namespace {

constexpr char kHttpRequestProgId[] = "WinHttp.WinHttpRequest.5.1";
constexpr std::int32_t kEnableRedirectsOption = 6;

class AutomationExchange final : public HttpExchange {
 public:
  explicit AutomationExchange(std::unique_ptr<AutomationObject> object) : object_(std::move(object)) {}

  void set_timeouts(std::int32_t resolve_ms, std::int32_t connect_ms, std::int32_t send_ms,
                    std::int32_t receive_ms) override {
    object_->call("SetTimeouts", {resolve_ms, connect_ms, send_ms, receive_ms});
    limit_ms_ = receive_ms;
  }

  FetchFailure open(std::string_view method, std::string_view url) override {
    status_ = 0;
    headers_.clear();
    object_->call("Open", {utf8_to_local(method), utf8_to_local(url), false});
    return failure_of_result(object_->last_failure());
  }

  void set_follow_redirects(bool follow) override {
    object_->put("Option", {kEnableRedirectsOption, follow ? std::int32_t{-1} : std::int32_t{0}});
  }

  FetchFailure set_request_header(std::string_view name, std::string_view value) override {
    object_->call("SetRequestHeader", {utf8_to_local(name), utf8_to_local(value)});
    return failure_of_result(object_->last_failure());
  }

  FetchFailure send(std::string_view body, BodySink& sink, CancelCheck* cancel) override {
    status_ = 0;
    headers_.clear();
    AutomationValue sent;
    if (body.empty()) {
      sent = Text();
    } else {
      const auto* bytes = reinterpret_cast<const std::uint8_t*>(body.data());
      sent = ByteSet(bytes, bytes + body.size());
    }
    object_->call_bounded("Send", {sent}, limit_ms_, cancel);
    if (const FetchFailure failure = failure_of_result(object_->last_failure());
        failure != FetchFailure::kNone)
      return failure;
    status_ = value_or_empty<std::int32_t>(object_->get("Status"));
    Text headers = value_or_empty<Text>(object_->call("GetAllResponseHeaders"));
    // Wine's object starts the text with the status line; Windows' does not.
    if (headers.view().starts_with("HTTP/")) {
      const std::size_t end = headers.view().find("\r\n");
      headers = Text(end == std::string_view::npos ? std::string_view() : headers.view().substr(end + 2));
    }
    headers_ = local_to_utf8(headers);
    const ByteSet body_bytes = value_or_empty<ByteSet>(object_->get("ResponseBody"));
    if (!body_bytes.empty() &&
        !sink.take(std::string_view(reinterpret_cast<const char*>(body_bytes.data()), body_bytes.size()))) {
      return FetchFailure::kTooLarge;
    }
    return FetchFailure::kNone;
  }

  std::int32_t status() const override { return status_; }
  std::string response_headers() const override { return headers_; }

 private:
  std::unique_ptr<AutomationObject> object_;
  std::int32_t limit_ms_ = 0;
  std::int32_t status_ = 0;
  std::string headers_;
};

class AutomationExchangeFactory final : public ExchangeFactory {
 public:
  void initialize() override { objects_.initialize(); }
  void uninitialize() override { objects_.uninitialize(); }
  std::unique_ptr<HttpExchange> create() override {
    std::unique_ptr<AutomationObject> object = objects_.create(kHttpRequestProgId);
    if (object == nullptr) return nullptr;
    return following_redirects(std::make_unique<AutomationExchange>(std::move(object)));
  }

 private:
  ComAutomationFactory objects_;
};

}  // namespace

FetchFailure failure_of_result(std::int32_t result) {
  if (result == 0) return FetchFailure::kNone;
  if (result == kCancelledByCaller) return FetchFailure::kCancelled;
  // HRESULT_FROM_WIN32 of WinHTTP's error numbers.
  if ((static_cast<std::uint32_t>(result) & 0xFFFF0000u) != 0x80070000u) return FetchFailure::kFailed;
  return failure_of_winhttp_error(static_cast<std::uint32_t>(result) & 0xFFFFu);
}

std::unique_ptr<ExchangeFactory> window_exchange_factory() {
  return std::make_unique<AutomationExchangeFactory>();
}
