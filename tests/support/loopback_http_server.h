// Test support: a small HTTP/1.1 server on 127.0.0.1 that a test starts itself.
// It answers each request with whatever the test's handler scripts (including
// misbehaviour: a dropped connection, a stall, silence) and records every
// request as it arrived. Portable: Winsock on Windows, BSD sockets elsewhere.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

struct RecordedRequest {
  std::string method;
  std::string target;
  std::string version;
  std::vector<std::string> header_lines;  // as received, in order, without "\r\n"
  std::string body;

  // Where the first header line of that name (ASCII case folded) stands in
  // header_lines; -1 when there is none.
  int line_of(std::string_view name) const;
  // Its value without the spaces around it; empty when absent.
  std::string header(std::string_view name) const;
  bool has_header(std::string_view name) const { return line_of(name) >= 0; }
};

struct ScriptedResponse {
  enum class Behaviour {
    kSendAndClose,    // head and body, then close
    kCloseMidBody,    // head and the first half of the body, then drop the connection
    kStallAfterHead,  // head (and `body` sent at once, if any), then silence for `stall`, then close
    kNeverAnswer,     // read the request, say nothing for `stall`, then close
    kTrickle,         // head and the first `at_once` bytes of `body`, then the rest `piece` bytes per `stall`
    kResetMidBody,    // head and the first half of the body, then after 300 ms reset the connection
    kEndless,         // head, then `body` again and again until the client goes
  };
  std::string head;  // status line and header lines, ending in the blank line
  std::string body;
  Behaviour behaviour = Behaviour::kSendAndClose;
  std::chrono::milliseconds stall{5000};
  std::size_t at_once = 0;
  std::size_t piece = 1;
};

// `body` in the chunked transfer coding: chunks of growing odd sizes, so
// boundaries fall inside multi-byte characters; one size in capitals and one
// with an extension.
std::string chunked(const std::string& body);

// A complete response with Content-Length and "Connection: close".
ScriptedResponse http_response(int status, std::string body, std::vector<std::string> extra_headers = {},
                               std::string content_type = "text/html; charset=utf-8");

class LoopbackHttpServer {
 public:
  using Handler = std::function<ScriptedResponse(const RecordedRequest&)>;

  explicit LoopbackHttpServer(Handler handler);
  ~LoopbackHttpServer();
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  std::uint16_t port() const { return port_; }
  // "http://127.0.0.1:<port>" followed by `path`.
  std::string url(std::string_view path = "/") const;
  std::vector<RecordedRequest> requests() const;
  // Ends every stall at once and closes the listener; the destructor calls it.
  void stop();

 private:
  struct Impl;
  void accept_loop();
  void serve(std::intptr_t connection);
  // Waits for `duration` or until stop(); returns false when stopping.
  bool wait_unless_stopping(std::chrono::milliseconds duration);

  Handler handler_;
  std::unique_ptr<Impl> impl_;
  std::uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::condition_variable stop_signal_;
  std::vector<RecordedRequest> requests_;
  std::vector<std::thread> connections_;
  std::thread acceptor_;
};

// The handler of a forward proxy in front of a server answered by `origin`: a
// request in the absolute form a proxy is asked in ("GET http://host:port/path")
// gets what `origin` answers for its path, and so does one with the path alone;
// anything else, 400. The proxy records each request as it came.
LoopbackHttpServer::Handler forward_proxy(LoopbackHttpServer::Handler origin);

// A port on 127.0.0.1 that stays bound without listening for as long as this
// lives: every connection is refused, and no other server can take the port.
class ClosedPort {
 public:
  ClosedPort();
  ~ClosedPort();
  ClosedPort(const ClosedPort&) = delete;
  ClosedPort& operator=(const ClosedPort&) = delete;

  std::uint16_t port() const { return port_; }
  std::string url(std::string_view path = "/") const;

 private:
  std::intptr_t socket_;
  std::uint16_t port_ = 0;
};
