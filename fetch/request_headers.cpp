#include "fetch/request_headers.h"

#include <algorithm>
#include <cctype>

namespace {

bool same_name(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

}  // namespace

std::string header_value(std::string_view headers, std::string_view name) {
  while (!headers.empty()) {
    const std::size_t end = headers.find("\r\n");
    const std::string_view line = headers.substr(0, end);
    headers = end == std::string_view::npos ? std::string_view() : headers.substr(end + 2);
    const std::size_t colon = line.find(':');
    if (colon != std::string_view::npos && same_name(trimmed(line.substr(0, colon)), name))
      return std::string(trimmed(line.substr(colon + 1)));
  }
  return {};
}

FetchFailure RequestHeaders::set(std::string_view name, std::string_view value) {
  while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
  if (name.empty() || name.find_first_of(":\r\n") != std::string_view::npos ||
      value.find_first_of("\r\n") != std::string_view::npos) {
    return FetchFailure::kFailed;
  }
  for (Header& held : headers_) {
    if (same_name(held.name, name)) {
      held.value = std::string(value);
      return FetchFailure::kNone;
    }
  }
  headers_.push_back({std::string(name), std::string(value)});
  return FetchFailure::kNone;
}

bool RequestHeaders::has(std::string_view name) const {
  return std::any_of(headers_.begin(), headers_.end(),
                     [&](const Header& held) { return same_name(held.name, name); });
}
