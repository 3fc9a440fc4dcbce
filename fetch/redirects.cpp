#include "fetch/redirects.h"

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "fetch/address.h"
#include "fetch/request_headers.h"

namespace {

bool is_redirect(std::int32_t status) {
  constexpr std::array<std::int32_t, 5> kFollowed = {301, 302, 303, 307, 308};
  for (const std::int32_t followed : kFollowed) {
    if (status == followed) return true;
  }
  return false;
}

class FollowingExchange final : public HttpExchange, private BodySink {
 public:
  explicit FollowingExchange(std::unique_ptr<HttpExchange> hop) : hop_(std::move(hop)) {}

  void set_timeouts(std::int32_t resolve_ms, std::int32_t connect_ms, std::int32_t send_ms,
                    std::int32_t receive_ms) override {
    timeouts_ = {resolve_ms, connect_ms, send_ms, receive_ms};
    hop_->set_timeouts(resolve_ms, connect_ms, send_ms, receive_ms);
  }

  FetchFailure open(std::string_view method, std::string_view url) override {
    method_ = std::string(method);
    url_ = wire_address(url);
    follow_ = true;
    headers_.clear();
    opened_ = false;
    const AddressParts parts = split_address(url_);
    if (parts.scheme && !is_web_scheme(scheme_of(url_))) return FetchFailure::kUnsupportedScheme;
    if (!parts.scheme || !parts.authority || parts.authority->empty()) return FetchFailure::kNotAddress;
    return open_hop();
  }

  void set_follow_redirects(bool follow) override { follow_ = follow; }

  FetchFailure set_request_header(std::string_view name, std::string_view value) override {
    if (!opened_) return FetchFailure::kFailed;
    const FetchFailure failure = hop_->set_request_header(name, value);
    if (failure == FetchFailure::kNone) headers_.emplace_back(name, value);
    return failure;
  }

  FetchFailure send(std::string_view body, BodySink& sink, CancelCheck* cancel) override {
    if (!opened_) return FetchFailure::kNotAddress;
    sink_ = &sink;
    std::string sent_body(body);
    for (int hops = 0;; ++hops) {
      hop_following_.reset();
      const FetchFailure failure = hop_->send(sent_body, *this, cancel);
      if (failure != FetchFailure::kNone) return failure;
      if (!following()) return FetchFailure::kNone;
      if (hops == kMaxRedirects) return FetchFailure::kTooManyRedirects;
      const std::string next =
          wire_address(resolve_reference(url_, header_value(hop_->response_headers(), "Location")));
      if (!is_web_scheme(scheme_of(next))) return FetchFailure::kRedirectScheme;
      // As browsers do: after 303 everything but HEAD asks with GET, after 301
      // and 302 a POST does; 307 and 308 keep the method and the body.
      const std::int32_t status = hop_->status();
      if ((status == 303 && method_ != "HEAD") || ((status == 301 || status == 302) && method_ == "POST")) {
        method_ = "GET";
        sent_body.clear();
      }
      url_ = next;
      if (const FetchFailure reopened = open_hop(); reopened != FetchFailure::kNone) return reopened;
      for (const auto& [name, value] : headers_) hop_->set_request_header(name, value);
    }
  }

  std::int32_t status() const override { return hop_->status(); }
  std::string response_headers() const override { return hop_->response_headers(); }

 private:
  FetchFailure open_hop() {
    opened_ = false;
    const FetchFailure failure = hop_->open(method_, url_);
    if (failure != FetchFailure::kNone) return failure;
    // An object may put its own time-outs back in open (Wine's does).
    if (timeouts_) hop_->set_timeouts((*timeouts_)[0], (*timeouts_)[1], (*timeouts_)[2], (*timeouts_)[3]);
    hop_->set_follow_redirects(false);
    opened_ = true;
    return FetchFailure::kNone;
  }

  // Whether the response in hand is a redirect this exchange goes on from.
  bool following() const {
    return follow_ && is_redirect(hop_->status()) &&
           !header_value(hop_->response_headers(), "Location").empty();
  }

  // The body of a response that is followed is nobody's. The status and the
  // headers are there by the first piece, and stay as they are for the rest.
  bool take(std::string_view piece) override {
    if (!hop_following_) hop_following_ = following();
    return *hop_following_ || sink_->take(piece);
  }

  std::unique_ptr<HttpExchange> hop_;
  std::optional<std::array<std::int32_t, 4>> timeouts_;  // once given
  bool opened_ = false;
  bool follow_ = true;
  std::string method_;
  std::string url_;
  std::vector<std::pair<std::string, std::string>> headers_;
  BodySink* sink_ = nullptr;
  std::optional<bool> hop_following_;
};

}  // namespace

std::unique_ptr<HttpExchange> following_redirects(std::unique_ptr<HttpExchange> hop) {
  return std::make_unique<FollowingExchange>(std::move(hop));
}
