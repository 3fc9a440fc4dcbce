// The test server itself, from a plain socket client on the host.
#include "tests/support/loopback_http_server.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

namespace {

std::string exchange(std::uint16_t port, const std::string& request) {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  EXPECT_EQ(connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  EXPECT_EQ(send(s, request.data(), request.size(), 0), static_cast<ssize_t>(request.size()));
  std::string reply;
  char buffer[4096];
  for (ssize_t got; (got = recv(s, buffer, sizeof buffer, 0)) > 0;)
    reply.append(buffer, static_cast<std::size_t>(got));
  close(s);
  return reply;
}

TEST(LoopbackHttpServer, RecordsRequestAndSendsScriptedResponse) {
  LoopbackHttpServer server([](const RecordedRequest& r) { return http_response(200, "got " + r.body); });
  const std::string reply =
      exchange(server.port(), "POST /p?q=1 HTTP/1.1\r\nHost: x\r\nX-A:  v \r\nContent-Length: 3\r\n\r\nabc");
  EXPECT_NE(reply.find("HTTP/1.1 200 OK\r\n"), std::string::npos);
  EXPECT_EQ(reply.substr(reply.size() - 7), "got abc");
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "POST");
  EXPECT_EQ(requests[0].target, "/p?q=1");
  EXPECT_EQ(requests[0].header("x-a"), "v");
  EXPECT_EQ(requests[0].header_lines[1], "X-A:  v ");
  EXPECT_FALSE(requests[0].has_header("Cookie"));
}

TEST(LoopbackHttpServer, CloseMidBodyAndStopEndsStall) {
  LoopbackHttpServer server([](const RecordedRequest& r) {
    auto response = http_response(200, "0123456789");
    response.behaviour = r.target == "/mid" ? ScriptedResponse::Behaviour::kCloseMidBody
                                            : ScriptedResponse::Behaviour::kNeverAnswer;
    response.stall = std::chrono::seconds(60);
    return response;
  });
  const std::string reply = exchange(server.port(), "GET /mid HTTP/1.1\r\n\r\n");
  EXPECT_EQ(reply.substr(reply.size() - 5), "01234");
  // A stall far longer than the test's time limit ends as soon as stop() is called.
  const auto started = std::chrono::steady_clock::now();
  std::thread stopper([&] {
    while (server.requests().size() < 2) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    server.stop();
  });
  EXPECT_EQ(exchange(server.port(), "GET /silent HTTP/1.1\r\n\r\n"), "");
  stopper.join();
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
}

TEST(ClosedPort, RefusesConnections) {
  const ClosedPort closed;
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(closed.port());
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  EXPECT_NE(connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  EXPECT_EQ(errno, ECONNREFUSED);
  // The port stays taken: nobody else can bind it while the test relies on it.
  const int other = socket(AF_INET, SOCK_STREAM, 0);
  EXPECT_NE(bind(other, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  close(other);
  close(s);
}

}  // namespace
