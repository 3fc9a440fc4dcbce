// The whole extraction with the real WinHTTP object and kernel32 against a
// server on 127.0.0.1 that each test starts itself.
#include "extract/autoplay_fetch.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/loopback_http_server.h"
#include "tests/support/video_pages.h"

namespace {

TEST(ExtractAutoplayAddress, PageWithEntryGivesAddressWhateverTheStatus) {
  // An error page's body is searched as well.
  for (const int status : {200, 404}) {
    LoopbackHttpServer server([&](const RecordedRequest&) {
      return http_response(status, video_page(player_address("XMTk2NzQ0")));
    });
    EXPECT_EQ(extract_autoplay_address(Text(server.url("/v_show/id_1.html"))),
              Text(expected_address("XMTk2NzQ0")))
        << status;
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].target, "/v_show/id_1.html");
  }
}

TEST(ExtractAutoplayAddress, PageWithoutEntryGivesNothing) {
  LoopbackHttpServer server([](const RecordedRequest&) {
    return http_response(200, std::string("<html><body>") + kFlashUtf8 + " no player here</body></html>");
  });
  EXPECT_EQ(extract_autoplay_address(Text(server.url("/"))), Text());
  EXPECT_EQ(server.requests().size(), 1u);
}

TEST(ExtractAutoplayAddress, FailedDownloadGivesNothing) {
  const ClosedPort closed;
  EXPECT_EQ(extract_autoplay_address(Text(closed.url())), Text());
  EXPECT_EQ(extract_autoplay_address(Text()), Text());
}

TEST(FetchPageText, DecodesBodyAndPassesOptionsOn) {
  LoopbackHttpServer server(
      [](const RecordedRequest&) { return http_response(200, std::string(kFlashUtf8), {"X-Trace: 7"}); });
  PageRequestOptions options;
  options.method = "post";
  options.post_text = "a=1";
  const Text page = fetch_page_text(Text(server.url("/form")), options);
  EXPECT_EQ(page, Text("flash\xB5\xD8\xD6\xB7"));  // flash地址
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "POST");
  EXPECT_EQ(requests[0].body, "a=1");
  // What the request routine writes back stays with the caller.
  EXPECT_NE(options.response_headers.view().find("X-Trace: 7"), std::string_view::npos);
}

}  // namespace
