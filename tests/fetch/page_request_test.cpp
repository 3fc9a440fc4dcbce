// The request routine against a recording stand-in for the automation object:
// which members it calls, in which order, with which arguments, and what it
// writes back into the caller's variables.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fetch/page_request.h"
#include "tests/fetch/recording_automation.h"

namespace {

const Text kUrl = "http://example.test:8080/v/a?b=1";
const char kUserAgent[] = "Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; Trident/5.0)";

using Log = std::vector<std::string>;

TEST(PageRequest, AllOmittedSendsDefaultGet) {
  RecordingFactory factory;
  PageRequestOptions options;
  const ByteSet body = page_request_with(factory, kUrl, options);

  const Log expected = {
      "CoInitialize",
      "create WinHttp.WinHttpRequest.5.1",
      "SetTimeouts(15000, 15000, 15000, 15000)",
      "Open(\"GET\", \"http://example.test:8080/v/a?b=1\", false)",
      "SetRequestHeader(\"Referer\", \" http://example.test:8080/v/a?b=1\")",
      "SetRequestHeader(\"Accept\", \" */*\")",
      "SetRequestHeader(\"Accept-Language\", \" zh-cn\")",
      "SetRequestHeader(\"User-Agent\", \" " + std::string(kUserAgent) + "\")",
      "SetRequestHeader(\"Content-Type\", \" application/x-www-form-urlencoded\")",
      "Send(\"\")",
      "get ResponseBody",
      "GetAllResponseHeaders()",
      "release",
      "CoUninitialize",
  };
  EXPECT_EQ(factory.log, expected);
  EXPECT_EQ(body, (ByteSet{'o', 'k'}));
  EXPECT_EQ(options.method, "GET");
  EXPECT_EQ(options.headers.bytes(), "Referer: " + kUrl.bytes() +
                                         "\r\nAccept: */*\r\nAccept-Language: zh-cn\r\nUser-Agent: " +
                                         kUserAgent + "\r\nContent-Type: application/x-www-form-urlencoded");
  EXPECT_EQ(options.response_headers, "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n");
  EXPECT_EQ(options.location, options.response_headers);
  EXPECT_EQ(options.cookies, "");
  EXPECT_EQ(options.received, "");
}

TEST(PageRequest, MethodIsUpperCasedInPlace) {
  const std::vector<std::pair<Text, Text>> cases = {
      {"post", "POST"},
      {"", "GET"},
      {"Put", "PUT"},
      {"get\xB5\xD8x", "GET\xB5\xD8X"},  // 地 stays as it is
      {"\x81"
       "a",
       "\x81"
       "a"},  // 'a' here is the trail byte of 亐
  };
  for (const auto& [given, sent] : cases) {
    RecordingFactory factory;
    PageRequestOptions options;
    options.method = given;
    page_request_with(factory, kUrl, options);
    EXPECT_EQ(options.method, sent) << given.bytes();
    EXPECT_EQ(factory.calls_of("Open"),
              Log{"Open(\"" + sent.bytes() + "\", \"" + kUrl.bytes() + "\", false)"});
  }
}

TEST(PageRequest, TimeoutSecondsBecomeMilliseconds) {
  const std::vector<std::pair<std::int32_t, Log>> cases = {
      {-1, {}},
      {0, {"SetTimeouts(15000, 15000, 15000, 15000)"}},
      {-5, {"SetTimeouts(15000, 15000, 15000, 15000)"}},
      {1, {"SetTimeouts(1000, 1000, 1000, 1000)"}},
      {30, {"SetTimeouts(30000, 30000, 30000, 30000)"}},
      {2147483, {"SetTimeouts(2147483000, 2147483000, 2147483000, 2147483000)"}},
      // Too long for 32 bits: the longest wait that can be said, not a wrapped value.
      {2147484, {"SetTimeouts(2147483647, 2147483647, 2147483647, 2147483647)"}},
      {2147483647, {"SetTimeouts(2147483647, 2147483647, 2147483647, 2147483647)"}},
  };
  for (const auto& [seconds, expected] : cases) {
    RecordingFactory factory;
    PageRequestOptions options;
    options.timeout = seconds;
    page_request_with(factory, kUrl, options);
    EXPECT_EQ(factory.calls_of("SetTimeouts"), expected) << seconds;
    // The time-outs come before Open, when they are set at all.
    EXPECT_EQ(factory.log[2].rfind(expected.empty() ? "Open" : "SetTimeouts", 0), 0u) << seconds;
  }
}

TEST(PageRequest, RedirectsAreSwitchedOffOnlyWhenAsked) {
  for (const std::int32_t no_redirect : {0, 1, -1, 7}) {
    RecordingFactory factory;
    PageRequestOptions options;
    options.no_redirect = no_redirect;
    page_request_with(factory, kUrl, options);
    std::size_t open_at = 0;
    while (open_at < factory.log.size() && factory.log[open_at].rfind("Open(", 0) != 0) ++open_at;
    ASSERT_LT(open_at + 1, factory.log.size());
    if (no_redirect == 0) {
      EXPECT_EQ(factory.log[open_at + 1].rfind("SetRequestHeader(\"Referer\"", 0), 0u);
    } else {
      EXPECT_EQ(factory.log[open_at + 1], "Option(6) = 0") << no_redirect;
    }
  }
}

TEST(PageRequest, CookieHeaderOnlyWhenCookiesAreSet) {
  RecordingFactory without;
  PageRequestOptions plain;
  page_request_with(without, kUrl, plain);
  for (const std::string& line : without.log) EXPECT_EQ(line.find("\"Cookie\""), std::string::npos) << line;

  RecordingFactory with;
  PageRequestOptions options;
  options.cookies = "a=1; b=2; ";
  options.headers = "X-One: 1";
  page_request_with(with, kUrl, options);
  // The cookie header goes before the caller's header lines.
  EXPECT_EQ(with.calls_of("SetRequestHeader"),
            (Log{"SetRequestHeader(\"Cookie\", \"a=1; b=2; \")", "SetRequestHeader(\"X-One\", \" 1\")"}));
}

struct HeaderCase {
  const char* name;
  Text headers;
  Log sent;
};

TEST(PageRequest, RequestHeaderLinesTable) {
  const std::vector<HeaderCase> cases = {
      {"inner colons kept", "Referer: http://h:81/p", {"SetRequestHeader(\"Referer\", \" http://h:81/p\")"}},
      {"trailing colon kept", "X: a:", {"SetRequestHeader(\"X\", \" a:\")"}},
      {"two trailing colons kept", "X: a::", {"SetRequestHeader(\"X\", \" a::\")"}},
      {"only colon last gives empty value", "X:", {"SetRequestHeader(\"X\", \"\")"}},
      {"name untrimmed", " X :1", {"SetRequestHeader(\" X \", \"1\")"}},
      {"one line without line break", "A: 1", {"SetRequestHeader(\"A\", \" 1\")"}},
      {"neither line break nor colon", "just text", {}},
      {"lines without colon and empty lines skipped",
       "A: 1\r\nnothing\r\n\r\nB: 2",
       {"SetRequestHeader(\"A\", \" 1\")", "SetRequestHeader(\"B\", \" 2\")"}},
      {"leading line break", "\r\nA: 1", {"SetRequestHeader(\"A\", \" 1\")"}},
      {"trailing line break", "A: 1\r\n", {"SetRequestHeader(\"A\", \" 1\")"}},
      {"order kept",
       "Z: 1\r\nA: 2\r\nM: 3",
       {"SetRequestHeader(\"Z\", \" 1\")", "SetRequestHeader(\"A\", \" 2\")",
        "SetRequestHeader(\"M\", \" 3\")"}},
      {"colon as trail byte is no colon", "X\x81: v", {}},
      {"double-byte value", "X: \xB5\xD8", {"SetRequestHeader(\"X\", \" \xB5\xD8\")"}},
  };
  for (const auto& c : cases) {
    RecordingFactory factory;
    PageRequestOptions options;
    options.headers = c.headers;
    page_request_with(factory, kUrl, options);
    EXPECT_EQ(factory.calls_of("SetRequestHeader"), c.sent) << c.name;
    EXPECT_EQ(options.headers, c.headers) << c.name;
  }
}

TEST(PageRequest, BodyChoice) {
  struct BodyCase {
    Text post_text;
    ByteSet post_bytes;
    std::string sent;
  };
  const std::vector<BodyCase> cases = {
      {"", {}, "Send(\"\")"},
      {"a=1&b=2", {}, "Send(\"a=1&b=2\")"},
      {"text", {0x00, 0xFF, 0x41}, "Send(bytes[00 FF 41])"},
      {"", {0x7F}, "Send(bytes[7F])"},
  };
  for (const auto& c : cases) {
    RecordingFactory factory;
    PageRequestOptions options;
    options.post_text = c.post_text;
    options.post_bytes = c.post_bytes;
    page_request_with(factory, kUrl, options);
    EXPECT_EQ(factory.calls_of("Send"), Log{c.sent});
  }
}

struct ResponseCase {
  const char* name;
  Text response_headers;
  Text location_before;
  Text cookies_before;
  Text location;  // "=" stands for "the whole response header text"
  Text cookies;
  Text received;
};

TEST(PageRequest, ResponseHeadersTable) {
  const std::vector<ResponseCase> cases = {
      {"two cookies", "Set-Cookie: lang=en; path=/\r\nSet-Cookie: theme=dark; path=/\r\n", "", "", "=",
       "lang=en; theme=dark; ", "lang=en;theme=dark;"},
      {"location", "HTTP/1.1 302 Found\r\nLocation: http://h:81/next\r\n\r\n", "", "", "http://h:81/next", "",
       ""},
      {"last location wins", "Location: /a\r\nLocation: /b\r\n", "", "", "/b", "", ""},
      {"lower-case names count", "location: /a\r\nset-cookie: a=1; path=/\r\n", "", "", "/a", "a=1; ",
       "a=1;"},
      {"name with spaces around it", " Location : /a\r\n", "", "", "/a", "", ""},
      {"content-location does not count", "Content-Location: /a\r\n", "", "", "=", "", ""},
      {"location mentioned in a value does not count", "X-Note: see Location: /z\r\n", "", "", "=", "", ""},
      {"old location stays without location line", "Server: t\r\n", "/kept", "", "/kept", "", ""},
      {"cookie without attributes taken whole", "Set-Cookie: a=1\r\n", "", "", "=", "a=1; ", "a=1;"},
      {"set-cookie2 does not count", "Set-Cookie2: b=2; Version=1\r\n", "", "", "=", "", ""},
      {"line yielding no cookie adds nothing", "Set-Cookie: ; path=/\r\nSet-Cookie:\r\n", "", "", "=", "",
       ""},
      {"merged with present cookies", "Set-Cookie: a=3; path=/\r\n", "", "a=1; b=2", "=", "a=3; b=2; ",
       "a=3;"},
      {"deletion from the server", "Set-Cookie: a=deleted; expires=0\r\n", "", "a=1; b=2", "=", "b=2; ",
       "a=deleted;"},
      {"cookie value spaces removed", "Set-Cookie:  k = v w ;x\r\n", "", "", "=", "k=vw; ", "k=vw;"},
  };
  for (const auto& c : cases) {
    AutomationScript script;
    script.response_headers = c.response_headers;
    RecordingFactory factory(script);
    PageRequestOptions options;
    options.location = c.location_before;
    options.cookies = c.cookies_before;
    options.received = "stale=1; ";
    page_request_with(factory, kUrl, options);
    EXPECT_EQ(options.response_headers, c.response_headers) << c.name;
    EXPECT_EQ(options.location, c.location == "=" ? c.response_headers : c.location) << c.name;
    EXPECT_EQ(options.cookies, c.cookies) << c.name;
    EXPECT_EQ(options.received, c.received) << c.name;
  }
}

TEST(PageRequest, CreationFailureTouchesNothing) {
  AutomationScript script;
  script.creation_fails = true;
  RecordingFactory factory(script);
  PageRequestOptions options;
  options.method = "post";
  options.cookies = "a = 1";
  options.received = "r";
  options.location = "";
  const ByteSet body = page_request_with(factory, kUrl, options);
  EXPECT_TRUE(body.empty());
  EXPECT_EQ(factory.log, (Log{"CoInitialize", "create WinHttp.WinHttpRequest.5.1", "CoUninitialize"}));
  EXPECT_EQ(options.method, "post");
  EXPECT_EQ(options.headers, "");
  EXPECT_EQ(options.cookies, "a = 1");
  EXPECT_EQ(options.received, "r");
  EXPECT_EQ(options.location, "");
  EXPECT_EQ(options.response_headers, "");
}

TEST(PageRequest, FailedReadsGiveEmptyResults) {
  AutomationScript script;
  script.response_body = std::monostate{};
  script.response_headers = std::monostate{};
  RecordingFactory factory(script);
  PageRequestOptions options;
  options.cookies = "a = 1";
  const ByteSet body = page_request_with(factory, kUrl, options);
  EXPECT_TRUE(body.empty());
  EXPECT_EQ(options.response_headers, "");
  EXPECT_EQ(options.location, "");
  EXPECT_EQ(options.received, "");
  EXPECT_EQ(options.cookies, "a=1; ");
  EXPECT_EQ(factory.log.back(), "CoUninitialize");
  EXPECT_EQ(factory.log[factory.log.size() - 2], "release");
}

TEST(PageRequest, BodyOfAnotherTypeIsEmpty) {
  AutomationScript script;
  script.response_body = Text("not bytes");
  RecordingFactory factory(script);
  EXPECT_TRUE(page_request_with(factory, kUrl, *std::make_unique<PageRequestOptions>()).empty());
}

TEST(PageRequest, BodyBytesComeBackWhole) {
  AutomationScript script;
  script.response_body = ByteSet{0xEF, 0xBB, 0xBF, 0x00, 0xE4, 0xBD, 0xA0, 0x0A};
  RecordingFactory factory(script);
  PageRequestOptions options;
  EXPECT_EQ(page_request_with(factory, kUrl, options),
            (ByteSet{0xEF, 0xBB, 0xBF, 0x00, 0xE4, 0xBD, 0xA0, 0x0A}));
}

}  // namespace
