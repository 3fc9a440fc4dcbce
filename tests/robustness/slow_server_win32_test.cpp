// The request routine with the real WinHTTP object against servers that are
// slow or stop talking. A 1 s time-out must end a stalled exchange with
// nothing, long before the server gives up; a slow but working exchange must
// still come through whole.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>

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

TEST(Timeout, ServerThatNeverAnswersGivesNothing) {
  // Ended by the time-out wherever it runs: Wine's object does not bound the
  // wait for the head, and page_request aborts it there.
  const Exchange got = exchange_with(kSilence);
  EXPECT_EQ(got.body, "");
  EXPECT_EQ(got.response_headers, "");
  EXPECT_LT(got.took, kEndedByTimeout);
}

TEST(Timeout, StalledBodyGivesNothing) {
  const Exchange got = exchange_with(head_then_stall(
      "HTTP/1.1 200 OK\r\nContent-Length: 4000\r\nConnection: close\r\n\r\n", std::string(1000, 'a')));
  EXPECT_EQ(got.body.size(), 0u);
  EXPECT_LT(got.took, kEndedByTimeout);
}

TEST(Timeout, StalledChunkedBodyGivesNothing) {
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
