// The real program against pages and servers that go wrong: each fault ends in
// the outcome a user should see (an address, or 获取失败！), within a bounded
// time, and the window still works afterwards: the next extraction of a good
// page succeeds.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <tuple>

#include "tests/support/program_suite_win32.h"

namespace {

using namespace std::chrono_literals;
using Behaviour = ScriptedResponse::Behaviour;

constexpr std::size_t kBigBodySize = 50u << 20;

// Ordinary page text of `size` bytes: HTML with Chinese (视频推荐), the word
// flash and value="..." > pieces, but never a whole entry.
std::string filler(std::size_t size) {
  const std::string line =
      "<p class=\"r\">\xE8\xA7\x86\xE9\xA2\x91\xE6\x8E\xA8\xE8\x8D\x90 flash player "
      "<input value=\"x\" > 0123456789 abcdefghij</p>\n";
  std::string text;
  text.reserve(size + line.size());
  while (text.size() < size) text += line;
  text.resize(size);
  return text;
}

ScriptedResponse redirect_to(const std::string& location) {
  return http_response(302, "<html>moved</html>", {"Location: " + location});
}

// The page of the dropped-connection faults and where in it the server stops:
// before the entry, inside the identifier, between its closing quote and " >",
// or after the whole entry. The head promises the whole page.
ScriptedResponse dropped(const std::string& target) {
  const std::string page = video_page(player_address("DROP1"), filler(3000), filler(3000));
  const std::size_t entry = page.find(kFlashUtf8);
  const std::size_t identifier = page.find("DROP1");
  const std::size_t end = page.find("\" >", identifier);
  const std::map<std::string, std::size_t> cuts = {
      {"/dropped-before", entry - 10},
      {"/dropped-in-identifier", identifier + 3},
      {"/dropped-before-the-end-mark", end + 1},
      {"/dropped-after", end + 100},
  };
  const std::size_t cut = cuts.at(target);
  ScriptedResponse response = http_response(200, page);
  // The server sends half of `body`: the page up to the cut.
  response.body = page.substr(0, cut) + std::string(cut, ' ');
  response.behaviour = Behaviour::kCloseMidBody;
  return response;
}

// A page of about `size` bytes, with a length or chunked, whose body the server
// sends as `how` says: half of it and then silence for its stall, or all of it
// in 24 even pieces, one per stall.
ScriptedResponse body_that(bool chunks, const std::string& identifier, std::size_t size,
                           std::pair<Behaviour, std::chrono::milliseconds> how) {
  ScriptedResponse response = http_response(200, video_page(player_address(identifier), filler(size)));
  if (chunks) {
    response.head = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n";
    response.body = chunked(response.body);
  }
  std::tie(response.behaviour, response.stall) = how;
  if (how.first == Behaviour::kStallAfterHead) response.body.resize(response.body.size() / 2);
  response.piece = response.body.size() / 24 + 1;
  return response;
}

ScriptedResponse respond(const RecordedRequest& request) {
  static const std::string big_filler = filler(kBigBodySize);
  const std::string& target = request.target;
  if (target == "/good") return http_response(200, video_page(player_address("GOOD1"), "", ""));
  if (target.rfind("/dropped-", 0) == 0) return dropped(target);
  if (target == "/chunked") {
    const std::string body = video_page(player_address("CHUNK1"), filler(5000), filler(3000));
    return ScriptedResponse{
        "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nTransfer-Encoding: chunked\r\n"
        "Connection: close\r\n\r\n",
        chunked(body)};
  }
  if (target == "/big-entry") {
    std::string body = big_filler;
    body.replace(body.size() - 4096, std::string::npos,
                 player_entry(player_address("BIG1")) + "</body></html>");
    return http_response(200, std::move(body));
  }
  if (target == "/big-none") return http_response(200, big_filler);
  if (target == "/bad-utf8") {
    // A lone continuation byte, an overlong slash, an encoded surrogate, a
    // sequence cut short right before the entry and bytes no UTF-8 has.
    return http_response(
        200, video_page(player_address("UTF81"), "\x80\xC0\xAF\xED\xA0\x80 \xE5\x9C", "\xFF\xFE\xE8\xA7"));
  }
  if (target == "/nul-before")
    return http_response(200, video_page(player_address("NUL1"), std::string("<p>a\0b</p>", 10), ""));
  if (target == "/nul-after")
    return http_response(200, video_page(player_address("NUL2"), "", std::string("<p>a\0b</p>", 10)));
  if (target == "/loop") return redirect_to("/loop");
  if (target == "/loop-a") return redirect_to("/loop-b");
  if (target == "/loop-b") return redirect_to("/loop-a");
  if (target == "/hop-1") return redirect_to("/hop-2");
  if (target == "/hop-2") return redirect_to("/good");
  if (target == "/stall-body") return body_that(false, "STALL1", 4000, {Behaviour::kStallAfterHead, 4000ms});
  // 15 s without a byte end the exchange, whatever its phase; a page that
  // keeps arriving in even pieces for 20 s is never cut off. (Wine's object
  // fails a chunked body that comes one byte per packet.)
  for (const bool chunks : {false, true}) {
    const std::string suffix = chunks ? "-chunked" : "";
    if (target == "/stall-long" + suffix)
      return body_that(chunks, "STALL2", 4000, {Behaviour::kStallAfterHead, 10min});
    if (target == "/arriving" + suffix)
      return body_that(chunks, "KEEP1", 12000, {Behaviour::kTrickle, 20000ms / 24});
  }
  if (target == "/silent") return {"", "", Behaviour::kNeverAnswer, 4000ms};
  // Silent far past the program's 15 s time-outs (until the suite's server stops).
  if (target == "/silent-long") return {"", "", Behaviour::kNeverAnswer, 10min};
  return http_response(404, "<html>not here</html>");
}

struct Fault {
  const char* name;
  const char* path;           // on the test's server; nullptr: a closed port
  const wchar_t* identifier;  // the address it must give; nullptr: 获取失败！
  std::chrono::milliseconds bound;
  std::size_t max_requests;  // a redirect loop must be given up, not followed forever
};

void PrintTo(const Fault& fault, std::ostream* out) { *out << fault.name; }

const Fault kFaults[] = {
    // A page cut short is searched as far as it came: the entry counts only when it arrived whole.
    {"DroppedBeforeTheEntry", "/dropped-before", nullptr, 30s, 2},
    {"DroppedInsideTheIdentifier", "/dropped-in-identifier", nullptr, 30s, 2},
    {"DroppedBeforeTheEntrysEnd", "/dropped-before-the-end-mark", nullptr, 30s, 2},
    {"DroppedAfterTheEntry", "/dropped-after", L"DROP1", 30s, 2},
    {"ChunkedBody", "/chunked", L"CHUNK1", 30s, 2},
    {"FiftyMegabytesWithEntryNearTheEnd", "/big-entry", L"BIG1", 120s, 2},
    {"FiftyMegabytesWithoutEntry", "/big-none", nullptr, 120s, 2},
    {"InvalidUtf8AroundTheEntry", "/bad-utf8", L"UTF81", 30s, 2},
    {"NulBeforeTheEntryEndsThePage", "/nul-before", nullptr, 30s, 2},
    {"NulAfterTheEntry", "/nul-after", L"NUL2", 30s, 2},
    {"RedirectToItself", "/loop", nullptr, 40s, 11},
    {"RedirectLoopOfTwo", "/loop-a", nullptr, 40s, 11},
    {"TwoRedirectsToAGoodPage", "/hop-1", L"GOOD1", 30s, 4},
    {"ServerStallsInTheBodyThenGivesUp", "/stall-body", nullptr, 30s, 2},
    {"ServerSaysNothingThenGivesUp", "/silent", nullptr, 30s, 2},
    {"ServerSilentPastTheTimeOuts", "/silent-long", nullptr, 20s, 2},
    {"StallInTheBodyPastTheTimeOuts", "/stall-long", nullptr, 20s, 2},
    {"StallInAChunkedBodyPastTheTimeOuts", "/stall-long-chunked", nullptr, 20s, 2},
    {"PageArrivingForLongerThanTheTimeOuts", "/arriving", L"KEEP1", 40s, 2},
    {"ChunkedPageArrivingForLongerThanTheTimeOuts", "/arriving-chunked", L"KEEP1", 40s, 2},
    {"NoServerThere", nullptr, nullptr, 20s, 2},
};

class Faults : public ProgramSuite<testing::TestWithParam<Fault>> {
 protected:
  static void SetUpTestSuite() { start_suite(respond); }
};

TEST_P(Faults, EndsAsItShouldAndTheWindowStillWorks) {
  const Fault& fault = GetParam();
  const ClosedPort closed;
  const std::string address = fault.path != nullptr ? server_->url(fault.path) : closed.url("/page");

  const std::size_t requests_before = server_->requests().size();
  const ExtractionOutcome outcome = driver_->extract(address, fault.bound);
  ASSERT_TRUE(outcome.finished) << "no outcome within " << fault.bound.count() << " ms"
                                << (driver_->running() ? "" : " (the program has ended)");
  const std::size_t requests = server_->requests().size() - requests_before;
  std::printf("%s: %lld ms, %zu requests\n", fault.name, static_cast<long long>(outcome.took.count()),
              requests);
  std::fflush(stdout);
  if (fault.identifier != nullptr) {
    EXPECT_FALSE(outcome.message.has_value()) << "it said: " << testing::PrintToString(outcome.message->text);
    EXPECT_EQ(outcome.address, expected_address(fault.identifier));
    EXPECT_TRUE(driver_->links_visible());
  } else {
    ASSERT_TRUE(outcome.message.has_value())
        << "no message; output box: " << testing::PrintToString(outcome.address);
    EXPECT_EQ(outcome.message->text, kGetFailedMessage);
    EXPECT_EQ(outcome.address, L"");
    EXPECT_TRUE(driver_->links_hidden());
  }
  EXPECT_EQ(driver_->source_text(), L"");
  EXPECT_LE(requests, fault.max_requests);

  const ExtractionOutcome next = driver_->extract(server_->url("/good"), 30s);
  ASSERT_TRUE(next.finished) << "the window no longer answers";
  EXPECT_FALSE(next.message.has_value());
  EXPECT_EQ(next.address, expected_address(L"GOOD1"));
}

INSTANTIATE_TEST_SUITE_P(Program, Faults, testing::ValuesIn(kFaults),
                         [](const testing::TestParamInfo<Fault>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
