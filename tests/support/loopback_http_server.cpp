#include "tests/support/loopback_http_server.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
using Socket = SOCKET;
constexpr Socket kNoSocket = INVALID_SOCKET;
void close_socket(Socket s) { closesocket(s); }
constexpr int kShutdownBoth = SD_BOTH;
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
using Socket = int;
constexpr Socket kNoSocket = -1;
void close_socket(Socket s) { close(s); }
constexpr int kShutdownBoth = SHUT_RDWR;
#endif

namespace {

bool iequals(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// Whether `s` can be read within `timeout_ms`.
bool readable(Socket s, int timeout_ms) {
#ifdef _WIN32
  fd_set set;
  FD_ZERO(&set);
  FD_SET(s, &set);
  timeval tv{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
  return select(0, &set, nullptr, nullptr, &tv) > 0;
#else
  pollfd p{s, POLLIN, 0};
  return poll(&p, 1, timeout_ms) > 0;
#endif
}

bool send_all(Socket s, std::string_view data) {
  while (!data.empty()) {
    const int chunk = static_cast<int>(std::min<std::size_t>(data.size(), 1 << 20));
#ifdef _WIN32
    const int sent = send(s, data.data(), chunk, 0);
#else
    const int sent = static_cast<int>(send(s, data.data(), static_cast<std::size_t>(chunk), MSG_NOSIGNAL));
#endif
    if (sent <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

}  // namespace

int RecordedRequest::line_of(std::string_view name) const {
  for (std::size_t i = 0; i < header_lines.size(); ++i) {
    const std::string_view line = header_lines[i];
    const auto colon = line.find(':');
    if (colon != std::string_view::npos && iequals(trim(line.substr(0, colon)), name))
      return static_cast<int>(i);
  }
  return -1;
}

std::string RecordedRequest::header(std::string_view name) const {
  const int at = line_of(name);
  if (at < 0) return {};
  const std::string_view line = header_lines[static_cast<std::size_t>(at)];
  return std::string(trim(line.substr(line.find(':') + 1)));
}

std::string chunked(const std::string& body) {
  std::string out;
  std::size_t at = 0, size = 1;
  int count = 0;
  while (at < body.size()) {
    const std::size_t take = std::min(size, body.size() - at);
    char hex[32];
    std::snprintf(hex, sizeof hex, count % 3 == 1 ? "%zX" : "%zx", take);
    out += hex;
    if (count == 2) out += ";note=x";
    out += "\r\n" + body.substr(at, take) + "\r\n";
    at += take;
    size += 6;
    ++count;
  }
  return out + "0\r\n\r\n";
}

ScriptedResponse http_response(int status, std::string body, std::vector<std::string> extra_headers,
                               std::string content_type) {
  std::string head = "HTTP/1.1 " + std::to_string(status) + (status < 400 ? " OK" : " Error") + "\r\n";
  if (!content_type.empty()) head += "Content-Type: " + content_type + "\r\n";
  head += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  head += "Connection: close\r\n";
  for (const std::string& line : extra_headers) head += line + "\r\n";
  head += "\r\n";
  return ScriptedResponse{std::move(head), std::move(body)};
}

namespace {

// Winsock, started while this lives: by each server, and once for all closed ports.
struct SocketLibrary {
#ifdef _WIN32
  SocketLibrary() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  }
  ~SocketLibrary() { WSACleanup(); }
#endif
};

// A TCP socket bound to a free port of 127.0.0.1; `address` receives the port.
Socket bound_loopback_socket(sockaddr_in& address) {
  Socket s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == kNoSocket) throw std::runtime_error("loopback: no socket");
  address = sockaddr_in{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;  // a free port
  socklen_t length = sizeof address;
  if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    close_socket(s);
    throw std::runtime_error("loopback: cannot bind on 127.0.0.1");
  }
  return s;
}

}  // namespace

struct LoopbackHttpServer::Impl {
  SocketLibrary library;
  Socket listener = kNoSocket;
  std::mutex open_mutex;
  std::vector<Socket> open;  // connections still being served, closed by stop()
};

LoopbackHttpServer::LoopbackHttpServer(Handler handler)
    : handler_(std::move(handler)), impl_(std::make_unique<Impl>()) {
  sockaddr_in address;
  const Socket listener = bound_loopback_socket(address);
  if (listen(listener, 16) != 0) {
    close_socket(listener);
    throw std::runtime_error("loopback server: cannot listen on 127.0.0.1");
  }
  impl_->listener = listener;
  port_ = ntohs(address.sin_port);
  acceptor_ = std::thread([this] { accept_loop(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
  stop();
  if (acceptor_.joinable()) acceptor_.join();
  std::vector<std::thread> connections;
  {
    std::lock_guard lock(mutex_);
    connections.swap(connections_);
  }
  for (std::thread& t : connections) t.join();
  if (impl_->listener != kNoSocket) close_socket(impl_->listener);
}

std::string LoopbackHttpServer::url(std::string_view path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

std::vector<RecordedRequest> LoopbackHttpServer::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

void LoopbackHttpServer::stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  stop_signal_.notify_all();
  std::lock_guard lock(impl_->open_mutex);
  for (Socket s : impl_->open) shutdown(s, kShutdownBoth);
}

bool LoopbackHttpServer::wait_unless_stopping(std::chrono::milliseconds duration) {
  std::unique_lock lock(mutex_);
  return !stop_signal_.wait_for(lock, duration, [this] { return stopping_.load(); });
}

void LoopbackHttpServer::accept_loop() {
  while (!stopping_) {
    if (!readable(impl_->listener, 50)) continue;
    Socket connection = accept(impl_->listener, nullptr, nullptr);
    if (connection == kNoSocket) continue;
    {
      std::lock_guard lock(impl_->open_mutex);
      impl_->open.push_back(connection);
    }
    std::lock_guard lock(mutex_);
    connections_.emplace_back([this, connection] { serve(static_cast<std::intptr_t>(connection)); });
  }
}

void LoopbackHttpServer::serve(std::intptr_t handle) {
  const auto s = static_cast<Socket>(handle);
  std::string data;
  char buffer[16384];
  auto receive_more = [&]() -> bool {
    for (int waited = 0; waited < 10000 && !stopping_; waited += 50) {
      if (!readable(s, 50)) continue;
      const int got = static_cast<int>(recv(s, buffer, sizeof buffer, 0));
      if (got <= 0) return false;
      data.append(buffer, static_cast<std::size_t>(got));
      return true;
    }
    return false;
  };

  // One request per connection: every response of ours closes the connection.
  std::size_t head_end;
  bool complete = true;
  while ((head_end = data.find("\r\n\r\n")) == std::string::npos) {
    if (!receive_more()) {
      complete = false;
      break;
    }
  }
  if (complete) {
    RecordedRequest request;
    std::string_view head(data.data(), head_end);
    std::size_t line_end = head.find("\r\n");
    std::string_view request_line = head.substr(0, line_end);
    const auto sp1 = request_line.find(' ');
    const auto sp2 = request_line.rfind(' ');
    request.method = std::string(request_line.substr(0, sp1));
    if (sp1 != std::string_view::npos && sp2 > sp1) {
      request.target = std::string(request_line.substr(sp1 + 1, sp2 - sp1 - 1));
      request.version = std::string(request_line.substr(sp2 + 1));
    }
    while (line_end != std::string_view::npos) {
      const std::size_t next = head.find("\r\n", line_end + 2);
      request.header_lines.emplace_back(head.substr(line_end + 2, next - (line_end + 2)));
      line_end = next;
    }
    const std::string length_text = request.header("Content-Length");
    const std::size_t body_length = length_text.empty() ? 0 : std::stoul(length_text);
    while (data.size() - (head_end + 4) < body_length && receive_more()) {
    }
    request.body = data.substr(head_end + 4, body_length);
    {
      std::lock_guard lock(mutex_);
      requests_.push_back(request);
    }

    const ScriptedResponse response = handler_(request);
    using B = ScriptedResponse::Behaviour;
    switch (response.behaviour) {
      case B::kSendAndClose:
        if (send_all(s, response.head)) send_all(s, response.body);
        break;
      case B::kCloseMidBody:
        if (send_all(s, response.head))
          send_all(s, std::string_view(response.body).substr(0, response.body.size() / 2));
        break;
      case B::kResetMidBody:
        if (send_all(s, response.head) &&
            send_all(s, std::string_view(response.body).substr(0, response.body.size() / 2))) {
          // Time for the client to read what was sent: a reset makes its
          // system drop whatever is still unread.
          wait_unless_stopping(std::chrono::milliseconds(300));
          // A close with nothing lingering sends a reset, not an orderly end.
          const linger abrupt{1, 0};
          setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abrupt), sizeof abrupt);
          {
            std::lock_guard lock(impl_->open_mutex);
            impl_->open.erase(std::remove(impl_->open.begin(), impl_->open.end(), s), impl_->open.end());
          }
          close_socket(s);
          return;
        }
        break;
      case B::kEndless:
        if (send_all(s, response.head)) {
          while (!stopping_ && send_all(s, response.body)) {
          }
        }
        break;
      case B::kStallAfterHead:
        if (send_all(s, response.head) && send_all(s, response.body)) wait_unless_stopping(response.stall);
        break;
      case B::kNeverAnswer:
        wait_unless_stopping(response.stall);
        break;
      case B::kTrickle:
        if (!send_all(s, response.head + response.body.substr(0, response.at_once))) break;
        for (std::size_t at = std::min(response.at_once, response.body.size()); at < response.body.size();
             at += response.piece) {
          if (!wait_unless_stopping(response.stall) ||
              !send_all(s, std::string_view(response.body).substr(at, response.piece))) {
            break;
          }
        }
        break;
    }
  }
  shutdown(s, kShutdownBoth);
  {
    std::lock_guard lock(impl_->open_mutex);
    impl_->open.erase(std::remove(impl_->open.begin(), impl_->open.end(), s), impl_->open.end());
  }
  close_socket(s);
}

LoopbackHttpServer::Handler forward_proxy(LoopbackHttpServer::Handler origin) {
  return [origin = std::move(origin)](const RecordedRequest& request) {
    // As lenient proxies do, the path alone is taken for one on the Host named.
    if (request.target.starts_with("/")) return origin(request);
    const std::size_t scheme = request.target.find("://");
    const std::size_t path = scheme == std::string::npos ? scheme : request.target.find('/', scheme + 3);
    if (!request.target.starts_with("http://") || path == std::string::npos) return http_response(400, "");
    RecordedRequest forwarded = request;
    forwarded.target = request.target.substr(path);
    return origin(forwarded);
  };
}

namespace {
SocketLibrary& closed_port_library() {
  static SocketLibrary library;
  return library;
}
}  // namespace

ClosedPort::ClosedPort() {
  closed_port_library();
  sockaddr_in address;
  socket_ = static_cast<std::intptr_t>(bound_loopback_socket(address));
  port_ = ntohs(address.sin_port);
}

ClosedPort::~ClosedPort() { close_socket(static_cast<Socket>(socket_)); }

std::string ClosedPort::url(std::string_view path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}
