// Request headers as an exchange keeps them until it sends: a second header of
// the same name (ASCII case folded) replaces the first where it stands, the
// value loses its leading spaces, and a name or value that would break the
// request is refused.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "fetch/exchange.h"

// The value of the first header line named `name` (ASCII case folded) in
// "\r\n"-separated header text, without the spaces around it.
std::string header_value(std::string_view headers, std::string_view name);

class RequestHeaders {
 public:
  struct Header {
    std::string name;
    std::string value;
  };

  FetchFailure set(std::string_view name, std::string_view value);
  void clear() { headers_.clear(); }
  bool has(std::string_view name) const;
  const std::vector<Header>& all() const { return headers_; }

 private:
  std::vector<Header> headers_;
};
