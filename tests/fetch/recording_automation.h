// A stand-in for the HTTP automation object that writes down every call it
// gets, in order, and answers reads from a script.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "fetch/automation.h"

struct AutomationScript {
  bool creation_fails = false;
  AutomationValue response_body = ByteSet{'o', 'k'};
  AutomationValue response_headers = Text("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n");
  AutomationValue status = std::int32_t{200};
  std::string failing_member{};  // its calls fail with `failure`
  std::int32_t failure = 0;
};

// One line per call: 'Open("GET", "http://h/", false)', 'Option(6) = 0',
// 'get ResponseBody', 'SetTimeouts(15000, ...)', 'CoInitialize', 'release' ...
using CallLog = std::vector<std::string>;

class RecordingFactory final : public AutomationFactory {
 public:
  explicit RecordingFactory(AutomationScript script = {}) : script_(std::move(script)) {}

  void initialize() override { log.push_back("CoInitialize"); }
  void uninitialize() override { log.push_back("CoUninitialize"); }
  std::unique_ptr<AutomationObject> create(const Text& prog_id) override;

  CallLog log;

 private:
  AutomationScript script_;
};

// The calls in `log` that name `member`, in order.
CallLog calls_of(const CallLog& log, const std::string& member);
