// The request routine with the real WinHTTP object against servers that are
// slow or stop talking. A 1 s time-out must end a stalled exchange with
// nothing, long before the server gives up; a slow but working exchange must
// still come through whole.
#include <windows.h>
// After windows.h, which it needs.
#include <oleauto.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "fetch/page_request.h"
#include "tests/support/loopback_http_server.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using Behaviour = ScriptedResponse::Behaviour;

// The server gives up on a stalled connection after this long; an exchange
// that ends well before it was ended by the object's time-out.
constexpr milliseconds kServerGivesUp{4000};
constexpr milliseconds kEndedByTimeout = kServerGivesUp - milliseconds(1500);

struct Exchange {
  std::string body;
  Text response_headers;
  milliseconds took;
};

Exchange exchange_with(const ScriptedResponse& scripted) {
  LoopbackHttpServer server([&](const RecordedRequest&) { return scripted; });
  PageRequestOptions options;
  options.timeout = 1;
  const auto started = Clock::now();
  const ByteSet body = page_request(server.url("/"), options);
  return {std::string(body.begin(), body.end()), options.response_headers,
          std::chrono::duration_cast<milliseconds>(Clock::now() - started)};
}

// The head (and the first bytes) at once, then silence until the server gives up.
ScriptedResponse head_then_stall(std::string head, std::string first_bytes) {
  return {std::move(head), std::move(first_bytes), Behaviour::kStallAfterHead, kServerGivesUp};
}
const ScriptedResponse kSilence{"", "", Behaviour::kNeverAnswer, kServerGivesUp};

// One call of the WinHTTP object through its IDispatch; arguments first to last.
void call(IDispatch* object, const wchar_t* member, std::vector<VARIANT> arguments) {
  DISPID id = 0;
  auto* name = const_cast<LPOLESTR>(member);
  if (FAILED(object->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id))) return;
  std::reverse(arguments.begin(), arguments.end());
  DISPPARAMS parameters{arguments.data(), nullptr, static_cast<UINT>(arguments.size()), 0};
  object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, nullptr, nullptr, nullptr);
  for (VARIANT& argument : arguments) VariantClear(&argument);
}

VARIANT number(LONG value) {
  VARIANT v{};
  v.vt = VT_I4;
  v.lVal = value;
  return v;
}

VARIANT text(const std::string& value) {
  VARIANT v{};
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocString(std::wstring(value.begin(), value.end()).c_str());
  return v;
}

// Whether this platform's WinHTTP object applies time-outs at all (Wine's does
// not), asked of the object itself with 1 s time-outs against a server that
// never answers: a fault of our request routine then fails the tests below
// instead of skipping them.
bool object_applies_timeouts() {
  static const bool applies = [] {
    LoopbackHttpServer server([](const RecordedRequest&) { return kSilence; });
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    CLSID id{};
    IDispatch* object = nullptr;
    if (FAILED(CLSIDFromProgID(L"WinHttp.WinHttpRequest.5.1", &id)) ||
        FAILED(CoCreateInstance(id, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                reinterpret_cast<void**>(&object))))
      return false;
    call(object, L"SetTimeouts", {number(1000), number(1000), number(1000), number(1000)});
    VARIANT synchronous{};
    synchronous.vt = VT_BOOL;
    synchronous.boolVal = VARIANT_FALSE;
    call(object, L"Open", {text("GET"), text(server.url("/")), synchronous});
    const auto started = Clock::now();
    call(object, L"Send", {});
    const auto took = Clock::now() - started;
    object->Release();
    CoUninitialize();
    return took < kEndedByTimeout;
  }();
  return applies;
}

class Timeout : public testing::Test {
 protected:
  void SetUp() override {
    if (!object_applies_timeouts())
      GTEST_SKIP() << "this WinHTTP object applies no time-out: with 1 s asked, a server silent for "
                   << kServerGivesUp.count() << " ms was waited for";
  }
};

TEST_F(Timeout, ServerThatNeverAnswersGivesNothing) {
  const Exchange got = exchange_with(kSilence);
  EXPECT_EQ(got.body, "");
  EXPECT_EQ(got.response_headers, "");
  EXPECT_LT(got.took, kEndedByTimeout);
}

TEST_F(Timeout, StalledBodyGivesNothing) {
  const Exchange got = exchange_with(head_then_stall(
      "HTTP/1.1 200 OK\r\nContent-Length: 4000\r\nConnection: close\r\n\r\n", std::string(1000, 'a')));
  EXPECT_EQ(got.body.size(), 0u);
  EXPECT_LT(got.took, kEndedByTimeout);
}

TEST_F(Timeout, StalledChunkedBodyGivesNothing) {
  const Exchange got = exchange_with(head_then_stall(
      "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n", "5\r\nhello\r\n"));
  EXPECT_EQ(got.body, "");
  EXPECT_LT(got.took, kEndedByTimeout);
}

TEST(SlowServer, AnswerSlowerThanNothingButWithinTheTimeoutArrives) {
  // A server that thinks for most of the time-out still gets its page through:
  // the time-out bounds each wait, it does not cut a working exchange short.
  LoopbackHttpServer server([](const RecordedRequest&) {
    Sleep(600);
    return http_response(200, "slow but whole");
  });
  PageRequestOptions options;
  options.timeout = 1;
  const ByteSet body = page_request(server.url("/thinking"), options);
  EXPECT_EQ(std::string(body.begin(), body.end()), "slow but whole");
}

TEST(SlowServer, StallAfterTheWholeBodyStillGivesThePage) {
  // The whole body is there; only the close is late. With Content-Length the
  // object has all it needs and does not wait for the close.
  const std::string page = "<html>" + std::string(3000, 'p') + "</html>";
  const Exchange got = exchange_with(head_then_stall(
      "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(page.size()) + "\r\n\r\n", page));
  EXPECT_EQ(got.body, page);
  EXPECT_LT(got.took, kEndedByTimeout) << "waited for the close although the body was complete";
}

}  // namespace
