// The request routine with the real WinHTTP object against servers that are
// slow or stop talking: every call comes back within a bounded time, with
// no more than what the server really sent.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "fetch/page_request.h"
#include "tests/support/loopback_http_server.h"
#include "tests/support/wine_win32.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using Behaviour = ScriptedResponse::Behaviour;

long long ms_since(Clock::time_point start) {
  return std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
}

// The server gives up on a stalled connection after this long, so no test
// waits longer even where the object applies no time-out.
constexpr milliseconds kServerGivesUp{6000};

ScriptedResponse head_then_stall(std::string head, std::string first_bytes) {
  ScriptedResponse response;
  response.head = std::move(head);
  response.body = std::move(first_bytes);
  response.behaviour = Behaviour::kStallAfterHead;
  response.stall = kServerGivesUp;
  return response;
}

// What a stalled exchange may give back: nothing (the object's time-out ended
// it) or the bytes that did arrive, in order (the object took the server's
// close as the end of the body, as Wine 8's does); never anything else.
void expect_nothing_or_what_arrived(const ByteSet& body, const std::string& sent) {
  const std::string got(body.begin(), body.end());
  EXPECT_TRUE(got.empty() || got == sent) << "body: " << testing::PrintToString(got.substr(0, 64));
}

TEST(SlowServer, StalledBodyReturnsWithinBound) {
  const std::string sent(1000, 'a');
  LoopbackHttpServer server([&](const RecordedRequest&) {
    return head_then_stall("HTTP/1.1 200 OK\r\nContent-Length: 4000\r\nConnection: close\r\n\r\n", sent);
  });
  PageRequestOptions options;
  options.timeout = 1;
  const auto started = Clock::now();
  const ByteSet body = page_request(server.url("/stall"), options);
  const long long took = ms_since(started);
  std::printf("stalled body: returned after %lld ms with %zu bytes\n", took, body.size());
  expect_nothing_or_what_arrived(body, sent);
  if (running_under_wine()) {
    // Wine 8's object applies no time-out to the body: it waits for the server to give up.
    EXPECT_LT(took, (kServerGivesUp + milliseconds(4000)).count());
  } else {
    EXPECT_TRUE(body.empty());
    EXPECT_LT(took, 4000) << "a 1 s time-out should end the wait long before the server gives up";
  }
}

TEST(SlowServer, StalledChunkedBodyReturnsWithinBound) {
  LoopbackHttpServer server([](const RecordedRequest&) {
    return head_then_stall("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n",
                           "5\r\nhello\r\n");
  });
  PageRequestOptions options;
  options.timeout = 1;
  const auto started = Clock::now();
  const ByteSet body = page_request(server.url("/stall-chunked"), options);
  const long long took = ms_since(started);
  std::printf("stalled chunked body: returned after %lld ms with %zu bytes\n", took, body.size());
  expect_nothing_or_what_arrived(body, "hello");
  if (running_under_wine()) {
    EXPECT_LT(took, (kServerGivesUp + milliseconds(4000)).count());
  } else {
    EXPECT_TRUE(body.empty());
    EXPECT_LT(took, 4000);
  }
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
  LoopbackHttpServer server([&](const RecordedRequest&) {
    return head_then_stall("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(page.size()) + "\r\n\r\n",
                           page);
  });
  PageRequestOptions options;
  options.timeout = 1;
  const auto started = Clock::now();
  const ByteSet body = page_request(server.url("/late-close"), options);
  const long long took = ms_since(started);
  EXPECT_EQ(std::string(body.begin(), body.end()), page);
  EXPECT_LT(took, kServerGivesUp.count()) << "waited for the close although the body was complete";
}

}  // namespace
