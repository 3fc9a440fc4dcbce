// Page addresses as RFC 3986 reads them: the parts, a reference resolved
// against a base, the form a request line carries, and what may be told to
// another server of where a request came from.
#pragma once

#include <optional>
#include <string>
#include <string_view>

struct AddressParts {
  std::optional<std::string> scheme;
  std::optional<std::string> authority;  // user information, host and port
  std::string path;
  std::optional<std::string> query;
  std::optional<std::string> fragment;

  std::string joined() const;
};

AddressParts split_address(std::string_view address);

// The scheme in lower case; empty when the address names none.
std::string scheme_of(std::string_view address);
bool is_web_scheme(std::string_view scheme);

// `reference` (a Location) resolved against `base`, dot segments removed.
std::string resolve_reference(std::string_view base, std::string_view reference);

// The address as it goes on the wire: without its fragment, which is never
// sent, and with every byte past ASCII, every control byte and the space
// percent-encoded (a UTF-8 address keeps its characters that way).
std::string wire_address(std::string_view utf8_address);

// What a Referer may carry: the wire address without user name, password and
// fragment, so no secret goes to whichever server the page leads to.
std::string referer_of(std::string_view utf8_address);
