// The request routine with the platform's object (the real WinHTTP object, or
// the one over libcurl) against a server on 127.0.0.1 that each test starts itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "common/text_ops.h"
#include "fetch/page_request.h"
#include "tests/support/loopback_http_server.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

const char kUserAgent[] = "Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; Trident/5.0)";

std::string text_of_bytes(const ByteSet& bytes) { return std::string(bytes.begin(), bytes.end()); }

TEST(PageRequestWire, DefaultRequestArrivesAsBuilt) {
  LoopbackHttpServer server([](const RecordedRequest&) { return http_response(200, "hello"); });
  const std::string url = server.url("/v/page.html?id=7");
  const ByteSet body = page_request(url);

  EXPECT_EQ(text_of_bytes(body), "hello");
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 1u);
  const RecordedRequest& request = requests[0];
  EXPECT_EQ(request.method, "GET");
  EXPECT_EQ(request.target, "/v/page.html?id=7");
  EXPECT_EQ(request.version, "HTTP/1.1");
  EXPECT_EQ(request.header("Referer"), url);
  EXPECT_EQ(request.header("Accept"), "*/*");
  EXPECT_EQ(std::count_if(request.header_lines.begin(), request.header_lines.end(),
                          [](const std::string& line) { return line.rfind("Accept:", 0) == 0; }),
            1);
  EXPECT_EQ(request.header("Accept-Language"), "zh-cn");
  EXPECT_EQ(request.header("User-Agent"), kUserAgent);
  EXPECT_EQ(request.header("Content-Type"), "application/x-www-form-urlencoded");
  EXPECT_EQ(request.header("Host"), "127.0.0.1:" + std::to_string(server.port()));
  EXPECT_TRUE(request.has_header("Connection"));
  EXPECT_FALSE(request.has_header("Content-Length") && request.header("Content-Length") != "0");
  EXPECT_FALSE(request.has_header("Cookie"));
  EXPECT_TRUE(request.body.empty());
  // The object may place lines of its own (Accept, Host, Connection) anywhere;
  // the lines only we set keep our order.
  EXPECT_GE(request.line_of("Referer"), 0);
  EXPECT_LT(request.line_of("Referer"), request.line_of("Accept-Language"));
  EXPECT_LT(request.line_of("Accept-Language"), request.line_of("User-Agent"));
  EXPECT_LT(request.line_of("User-Agent"), request.line_of("Content-Type"));
}

TEST(PageRequestWire, ResponseTextAndLocationFallBack) {
  LoopbackHttpServer server([](const RecordedRequest&) { return http_response(200, "x", {"X-Mark: here"}); });
  PageRequestOptions options;
  page_request(server.url(), options);
  EXPECT_NE(text_find(options.response_headers, "X-Mark: here\r\n"), -1) << options.response_headers.bytes();
  EXPECT_NE(text_find(options.response_headers, "Content-Length: 1\r\n"), -1);
  EXPECT_EQ(options.location, options.response_headers);
  EXPECT_EQ(options.method, "GET");
}

TEST(PageRequestWire, CallerHeadersAndCookiesAreSent) {
  LoopbackHttpServer server([](const RecordedRequest&) { return http_response(200, "ok"); });
  PageRequestOptions options;
  options.headers = "X-First: 1\r\nX-Port: http://h:81/a:\r\nX-Empty:";
  options.cookies = "sid=abc; lang=en";
  page_request(server.url(), options);
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].header("X-First"), "1");
  EXPECT_EQ(requests[0].header("X-Port"), "http://h:81/a:");
  EXPECT_EQ(requests[0].header("Cookie"), "sid=abc; lang=en");
  EXPECT_LT(requests[0].line_of("X-First"), requests[0].line_of("X-Port"));
  EXPECT_FALSE(requests[0].has_header("Referer"));
}

TEST(PageRequestWire, PostBodiesArriveByteForByte) {
  LoopbackHttpServer server([](const RecordedRequest& r) { return http_response(200, "len " + r.body); });

  PageRequestOptions text_post;
  text_post.method = "post";
  text_post.post_text = "a=1&b=two%20words&c=";
  page_request(server.url("/text"), text_post);
  EXPECT_EQ(text_post.method, "POST");

  PageRequestOptions byte_post;
  byte_post.method = "put";
  byte_post.post_text = "ignored";
  for (int value = 0; value < 256; ++value) byte_post.post_bytes.push_back(static_cast<std::uint8_t>(value));
  byte_post.post_bytes.push_back(0x7E);  // a marked last byte: a body cut short or run long shows
  const ByteSet echoed = page_request(server.url("/bytes"), byte_post);
  // The next exchange of the thread is a plain GET again: nothing of the last carries over.
  page_request(server.url("/after"));

  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].method, "POST");
  EXPECT_EQ(requests[0].body, "a=1&b=two%20words&c=");
  EXPECT_EQ(requests[0].header("Content-Length"), "20");
  EXPECT_EQ(requests[1].method, "PUT");
  ASSERT_EQ(requests[1].body.size(), 257u);
  EXPECT_EQ(requests[1].body, text_of_bytes(byte_post.post_bytes));
  EXPECT_EQ(text_of_bytes(echoed), "len " + text_of_bytes(byte_post.post_bytes));
  EXPECT_EQ(requests[2].method, "GET");
  EXPECT_TRUE(requests[2].body.empty());
}

TEST(PageRequestWire, Utf8BodyComesBackByteForByte) {
  // "<p>你好, 世界</p>" in UTF-8 with a NUL and a line break, as bytes.
  const std::string page = "\xEF\xBB\xBF<p>\xE4\xBD\xA0\xE5\xA5\xBD, \xE4\xB8\x96\xE7\x95\x8C</p>" +
                           std::string(1, '\0') + "\r\nend";
  LoopbackHttpServer server([&](const RecordedRequest&) { return http_response(200, page); });
  EXPECT_EQ(text_of_bytes(page_request(server.url())), page);
}

TEST(PageRequestWire, SetCookieLinesFoldIntoCookies) {
  LoopbackHttpServer server([](const RecordedRequest&) {
    return http_response(
        200, "ok",
        {"Set-Cookie: lang=en; path=/", "Set-Cookie: sid=new; HttpOnly", "set-cookie: theme=dark",
         "Set-Cookie: gone=deleted; expires=Thu, 01 Jan 1970 00:00:00 GMT"});
  });
  PageRequestOptions options;
  options.cookies = "sid=old; keep=1; gone=1";
  page_request(server.url(), options);
  EXPECT_EQ(options.cookies, "sid=new; keep=1; lang=en; theme=dark; ");
  EXPECT_EQ(options.received, "lang=en;sid=new;theme=dark;gone=deleted;");
  ASSERT_EQ(server.requests().size(), 1u);
  EXPECT_EQ(server.requests()[0].header("Cookie"), "sid=old; keep=1; gone=1");
}

TEST(PageRequestWire, RedirectFollowedUnlessSwitchedOff) {
  LoopbackHttpServer server([](const RecordedRequest& request) {
    if (request.target == "/old") return http_response(302, "moved", {"Location: /new"});
    return http_response(200, "new page");
  });
  PageRequestOptions followed;
  EXPECT_EQ(text_of_bytes(page_request(server.url("/old"), followed)), "new page");
  // The headers read are those of the final response, which names no Location.
  EXPECT_EQ(followed.location, followed.response_headers);
  PageRequestOptions not_followed;
  not_followed.no_redirect = 1;
  EXPECT_EQ(text_of_bytes(page_request(server.url("/old"), not_followed)), "moved");
  EXPECT_EQ(not_followed.location, "/new");
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[1].target, "/new");
  EXPECT_EQ(requests[2].target, "/old");
}

TEST(PageRequestWire, ClosedPortGivesEmptyBodyAtOnce) {
  const ClosedPort closed;
  PageRequestOptions options;
  const auto started = Clock::now();
  const ByteSet body = page_request(closed.url(), options);
  const auto took = Clock::now() - started;
  EXPECT_TRUE(body.empty());
  EXPECT_EQ(options.response_headers, "");
  EXPECT_EQ(options.location, "");
  EXPECT_EQ(options.cookies, "");
  // A refused connection is answered at once, not after the 15 s time-outs.
  EXPECT_LT(took, milliseconds(10000));
}

TEST(PageRequestWire, MalformedAddressGivesEmptyBody) {
  PageRequestOptions options;
  EXPECT_TRUE(page_request("not an address", options).empty());
  EXPECT_EQ(options.method, "GET");
  EXPECT_EQ(options.response_headers, "");
}

}  // namespace
