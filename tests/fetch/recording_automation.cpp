#include "tests/fetch/recording_automation.h"

#include <cstdio>

namespace {

std::string describe(const AutomationValue& value) {
  if (const auto* number = std::get_if<std::int32_t>(&value)) return std::to_string(*number);
  if (const auto* flag = std::get_if<bool>(&value)) return *flag ? "true" : "false";
  if (const auto* text = std::get_if<Text>(&value)) return "\"" + text->bytes() + "\"";
  if (const auto* bytes = std::get_if<ByteSet>(&value)) {
    std::string shown = "bytes[";
    for (std::size_t i = 0; i < bytes->size(); ++i) {
      char hex[5];
      std::snprintf(hex, sizeof hex, i == 0 ? "%02X" : " %02X", (*bytes)[i]);
      shown += hex;
    }
    return shown + "]";
  }
  return "empty";
}

class RecordingObject final : public AutomationObject {
 public:
  RecordingObject(CallLog& log, const AutomationScript& script) : log_(log), script_(script) {}
  ~RecordingObject() override { log_.push_back("release"); }

  AutomationValue invoke(MemberKind kind, const Text& member, const AutomationArguments& arguments) override {
    std::string line = kind == MemberKind::kPropertyGet ? "get " + member.bytes() : member.bytes();
    if (kind == MemberKind::kMethod || arguments.size() > 1) {
      const std::size_t listed = kind == MemberKind::kPropertyPut ? arguments.size() - 1 : arguments.size();
      line += "(";
      for (std::size_t i = 0; i < listed; ++i) {
        if (i != 0) line += ", ";
        line += describe(arguments[i]);
      }
      line += ")";
    }
    if (kind == MemberKind::kPropertyPut) line += " = " + describe(arguments.back());
    log_.push_back(line);

    last_failure_ = member.bytes() == script_.failing_member ? script_.failure : 0;
    if (member == "Status") return script_.status;
    if (member == "ResponseBody") return script_.response_body;
    if (member == "GetAllResponseHeaders") return script_.response_headers;
    return std::monostate{};
  }

  std::int32_t last_failure() const override { return last_failure_; }

 private:
  CallLog& log_;
  const AutomationScript& script_;
  std::int32_t last_failure_ = 0;
};

}  // namespace

std::unique_ptr<AutomationObject> RecordingFactory::create(const Text& prog_id) {
  log.push_back("create " + prog_id.bytes());
  if (script_.creation_fails) return nullptr;
  return std::make_unique<RecordingObject>(log, script_);
}

CallLog calls_of(const CallLog& log, const std::string& member) {
  CallLog calls;
  for (const std::string& line : log) {
    if (line.compare(0, member.size() + 1, member + "(") == 0) calls.push_back(line);
  }
  return calls;
}
