// One HTTP exchange through a small typed interface: the operations the
// request routine needs (open, time-outs, the redirect switch, request headers,
// send, status, body, response headers), each platform implementing it once.
// A failure is one value of FetchFailure, which carries its words, so no caller
// decodes a platform's numbers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

enum class FetchFailure : std::uint8_t {
  kNone,
  kTimedOut,           // so long without a byte either way
  kRefused,            // nothing listens there
  kReset,              // the connection broke or closed before the reply was whole
  kNotHttp,            // what came back is no HTTP reply
  kSecureFailed,       // the TLS handshake failed
  kUntrusted,          // the server's certificate is not trusted
  kTooManyRedirects,   // more than ten hops
  kRedirectScheme,     // a redirect to anything but http or https
  kTooLarge,           // the body passed its limit
  kHostNotFound,       // the name does not resolve
  kNotAddress,         // the address cannot be read
  kUnsupportedScheme,  // an address that is not http or https
  kCancelled,          // the caller gave up on it
  kFailed,             // anything else
};

// The failure in words, for people: "connection refused", "page too large".
std::string_view failure_words(FetchFailure failure);

// Where a response body goes as it arrives. Returning false stops the exchange
// (a body past its limit); the exchange then fails as kTooLarge.
class BodySink {
 public:
  virtual bool take(std::string_view piece) = 0;

 protected:
  ~BodySink() = default;
};

// Asked between pieces and while waiting; true ends the exchange as kCancelled
// where the platform can stop it.
class CancelCheck {
 public:
  virtual bool cancelled() = 0;

 protected:
  ~CancelCheck() = default;
};

class HttpExchange {
 public:
  HttpExchange() = default;
  HttpExchange(const HttpExchange&) = delete;
  HttpExchange& operator=(const HttpExchange&) = delete;
  virtual ~HttpExchange() = default;

  // Milliseconds, Windows' four: name resolution, connection, sending, receiving.
  // Each bounds a wait without a byte; a reply that keeps coming is never cut off.
  virtual void set_timeouts(std::int32_t resolve_ms, std::int32_t connect_ms, std::int32_t send_ms,
                            std::int32_t receive_ms) = 0;
  // A new request; `url` is UTF-8 (percent-encoded or not). Headers and the
  // redirect switch set before it are forgotten.
  virtual FetchFailure open(std::string_view method, std::string_view url) = 0;
  // Redirects are followed unless switched off after open.
  virtual void set_follow_redirects(bool follow) = 0;
  // A second header of the same name replaces the first where it stands; the
  // value loses its leading spaces. UTF-8.
  virtual FetchFailure set_request_header(std::string_view name, std::string_view value) = 0;
  // The request with `body`; the response body goes to `sink` as it arrives.
  virtual FetchFailure send(std::string_view body, BodySink& sink, CancelCheck* cancel = nullptr) = 0;
  // The status of the last response; 0 when none arrived.
  virtual std::int32_t status() const = 0;
  // The header lines of the last response, without its status line, each
  // ending in "\r\n", then the blank line; empty when none arrived.
  virtual std::string response_headers() const = 0;
};

// Creates exchanges within a scope that the caller opens and closes around
// each use (a COM apartment on Windows; nothing elsewhere).
class ExchangeFactory {
 public:
  ExchangeFactory() = default;
  ExchangeFactory(const ExchangeFactory&) = delete;
  ExchangeFactory& operator=(const ExchangeFactory&) = delete;
  virtual ~ExchangeFactory() = default;

  virtual void initialize() {}
  virtual void uninitialize() {}
  // Null when no exchange can be made.
  virtual std::unique_ptr<HttpExchange> create() = 0;
};

// The window's factory: the platform's object, with redirects followed the
// same way on every platform. The batch program's: the same rules, over
// connections kept open between pages and bodies streamed as they arrive,
// through `proxy` ("http://host:port") or, when it is empty, the proxy the
// system names: on Linux http_proxy, https_proxy, all_proxy and no_proxy as
// curl reads them, on Windows the one configured for the user.
std::unique_ptr<ExchangeFactory> window_exchange_factory();
std::unique_ptr<ExchangeFactory> batch_exchange_factory(const std::string& proxy = {});
