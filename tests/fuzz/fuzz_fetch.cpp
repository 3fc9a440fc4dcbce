// Splits the input into three texts and runs cookie merging, text_between, the
// request routine (over an exchange that answers with the third text as its
// response headers) and the address rules, checking what must hold for any bytes.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "common/text_ops.h"
#include "fetch/address.h"
#include "fetch/cookie_merge.h"
#include "fetch/page_request.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

class AnsweringExchange final : public HttpExchange {
 public:
  explicit AnsweringExchange(const Text& headers) : headers_(headers.bytes()) {}
  void set_timeouts(std::int32_t, std::int32_t, std::int32_t, std::int32_t) override {}
  FetchFailure open(std::string_view, std::string_view) override { return FetchFailure::kNone; }
  void set_follow_redirects(bool) override {}
  FetchFailure set_request_header(std::string_view, std::string_view) override { return FetchFailure::kNone; }
  FetchFailure send(std::string_view, BodySink& sink, CancelCheck*) override {
    sink.take(headers_);
    return FetchFailure::kNone;
  }
  std::int32_t status() const override { return 200; }
  std::string response_headers() const override { return headers_; }

 private:
  std::string headers_;
};

class AnsweringFactory final : public ExchangeFactory {
 public:
  explicit AnsweringFactory(const Text& headers) : headers_(headers) {}
  void initialize() override { ++depth_; }
  void uninitialize() override { --depth_; }
  std::unique_ptr<HttpExchange> create() override { return std::make_unique<AnsweringExchange>(headers_); }
  int depth() const { return depth_; }

 private:
  Text headers_;
  int depth_ = 0;
};

bool ascii(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

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
  if (ascii(third.view())) check(options.response_headers == third);
  check(!options.method.empty());
  check(options.cookies.empty() || ends_with(options.cookies.view(), "; "));

  // Whatever the addresses: the wire form is printable ASCII without a
  // fragment, and a Referer carries no user information.
  const std::string resolved = resolve_reference(first.bytes(), second.bytes());
  const std::string wire = wire_address(resolved);
  for (const char c : wire)
    check(static_cast<unsigned char>(c) > 0x20 && static_cast<unsigned char>(c) < 0x7F);
  check(!split_address(wire).fragment.has_value());
  const AddressParts referer = split_address(referer_of(resolved));
  check(!referer.fragment.has_value());
  check(!referer.authority || referer.authority->find('@') == std::string::npos);
  return 0;
}
