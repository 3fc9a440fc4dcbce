// Splits the input into three texts and runs cookie merging, text_between and
// the request routine (over an object that answers with the third text as its
// response headers), checking what must hold for any bytes.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "common/text_ops.h"
#include "fetch/cookie_merge.h"
#include "fetch/page_request.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

class AnsweringObject final : public AutomationObject {
 public:
  explicit AnsweringObject(const Text& headers) : headers_(headers) {}
  AutomationValue invoke(MemberKind, const Text& member, const AutomationArguments&) override {
    if (member == "GetAllResponseHeaders") return headers_;
    if (member == "ResponseBody") return ByteSet(headers_.bytes().begin(), headers_.bytes().end());
    return std::monostate{};
  }

 private:
  Text headers_;
};

class AnsweringFactory final : public AutomationFactory {
 public:
  explicit AnsweringFactory(const Text& headers) : headers_(headers) {}
  void initialize() override { ++depth_; }
  void uninitialize() override { --depth_; }
  std::unique_ptr<AutomationObject> create(const Text&) override {
    return std::make_unique<AnsweringObject>(headers_);
  }
  int depth() const { return depth_; }

 private:
  Text headers_;
  int depth_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto [first, second, third] = three_texts(data, size);

  Text cookies = first;
  Text received = second;
  const Text merged = cookie_merge(cookies, received);
  check(merged == cookies);
  check(cookies.empty() || ends_with(cookies.view(), "; "));
  check(received.empty() || ends_with(received.view(), ";"));
  check(remove_duplicate_pieces(cookies, "; ") == cookies);

  Text left = second;
  Text right = third;
  const Text between = text_between(first, left, right, 1, false);
  check(between.length() <= first.length());
  check(!text_contains(left, "#\xD2\xFD\xBA\xC5") && !text_contains(right, "#\xD2\xFD\xBA\xC5"));  // #引号

  AnsweringFactory factory(third);
  PageRequestOptions options;
  options.headers = first;
  options.cookies = second;
  const ByteSet body = page_request_with(factory, "http://h/", options);
  check(factory.depth() == 0);
  check(body == ByteSet(third.bytes().begin(), third.bytes().end()));
  check(options.response_headers == third);
  check(!options.method.empty());
  check(options.cookies.empty() || ends_with(options.cookies.view(), "; "));
  return 0;
}
