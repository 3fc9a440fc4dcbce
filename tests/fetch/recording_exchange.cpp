#include "tests/fetch/recording_exchange.h"

#include <cstdio>

namespace {

std::string quoted(std::string_view text) {
  std::string shown(1, '"');
  shown.append(text);
  shown += '"';
  return shown;
}

class RecordingExchange final : public HttpExchange {
 public:
  RecordingExchange(CallLog& log, const ExchangeScript& script) : log_(log), script_(script) {}
  ~RecordingExchange() override { log_.push_back("release"); }

  void set_timeouts(std::int32_t resolve_ms, std::int32_t connect_ms, std::int32_t send_ms,
                    std::int32_t receive_ms) override {
    log_.push_back("set_timeouts(" + std::to_string(resolve_ms) + ", " + std::to_string(connect_ms) + ", " +
                   std::to_string(send_ms) + ", " + std::to_string(receive_ms) + ")");
  }
  FetchFailure open(std::string_view method, std::string_view url) override {
    return logged("open", "open(" + quoted(method) + ", " + quoted(url) + ")");
  }
  void set_follow_redirects(bool follow) override {
    log_.push_back(std::string("set_follow_redirects(") + (follow ? "true" : "false") + ")");
  }
  FetchFailure set_request_header(std::string_view name, std::string_view value) override {
    return logged("set_request_header", "set_request_header(" + quoted(name) + ", " + quoted(value) + ")");
  }
  FetchFailure send(std::string_view body, BodySink& sink, CancelCheck*) override {
    std::string line = "send(bytes[";
    for (std::size_t i = 0; i < body.size(); ++i) {
      char hex[5];
      std::snprintf(hex, sizeof hex, i == 0 ? "%02X" : " %02X", static_cast<unsigned char>(body[i]));
      line += hex;
    }
    const FetchFailure failure = logged("send", line + "])");
    for (const std::string& piece : script_.body_pieces) {
      if (!sink.take(piece)) return FetchFailure::kTooLarge;
    }
    return failure;
  }
  std::int32_t status() const override {
    log_.push_back("status");
    return script_.status;
  }
  std::string response_headers() const override {
    log_.push_back("response_headers");
    return script_.response_headers;
  }

 private:
  FetchFailure logged(const std::string& call, std::string line) {
    log_.push_back(std::move(line));
    return call == script_.failing_call ? script_.failure : FetchFailure::kNone;
  }

  CallLog& log_;
  const ExchangeScript& script_;
};

}  // namespace

std::unique_ptr<HttpExchange> RecordingFactory::create() {
  log.push_back("create");
  if (script_.creation_fails) return nullptr;
  return std::make_unique<RecordingExchange>(log, script_);
}

CallLog calls_of(const CallLog& log, const std::string& member) {
  CallLog calls;
  for (const std::string& line : log) {
    if (line.compare(0, member.size() + 1, member + "(") == 0) calls.push_back(line);
  }
  return calls;
}
