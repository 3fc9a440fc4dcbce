// A stand-in for the typed exchange that writes down every call it gets, in
// order, and answers from a script.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fetch/exchange.h"

struct ExchangeScript {
  bool creation_fails = false;
  std::vector<std::string> body_pieces = {"o", "k"};
  std::string response_headers = "Content-Length: 2\r\n\r\n";
  std::int32_t status = 200;
  std::string failing_call{};  // this call fails with `failure`
  FetchFailure failure = FetchFailure::kNone;
};

// One line per call: 'open("GET", "http://h/")', 'set_follow_redirects(false)',
// 'set_timeouts(15000, ...)', 'send(bytes[41 42])', 'initialize', 'release' ...
using CallLog = std::vector<std::string>;

class RecordingFactory final : public ExchangeFactory {
 public:
  explicit RecordingFactory(ExchangeScript script = {}) : script_(std::move(script)) {}

  void initialize() override { log.push_back("initialize"); }
  void uninitialize() override { log.push_back("uninitialize"); }
  std::unique_ptr<HttpExchange> create() override;

  CallLog log;

 private:
  ExchangeScript script_;
};

// The calls in `log` that name `member`, in order.
CallLog calls_of(const CallLog& log, const std::string& member);
