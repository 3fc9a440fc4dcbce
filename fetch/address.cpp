#include "fetch/address.h"

#include <cctype>
#include <vector>

namespace {

std::string lower(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return folded;
}

bool scheme_character(char c, bool first) {
  if (std::isalpha(static_cast<unsigned char>(c))) return true;
  return !first && (std::isdigit(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.');
}

// RFC 3986, 5.2.4.
std::string remove_dot_segments(std::string_view input) {
  std::vector<std::string_view> output;
  bool absolute = !input.empty() && input.front() == '/';
  std::size_t at = absolute ? 1 : 0;
  bool ends_in_directory = false;
  while (at <= input.size()) {
    const std::size_t slash = input.find('/', at);
    const std::string_view segment =
        input.substr(at, slash == std::string_view::npos ? std::string_view::npos : slash - at);
    const bool last = slash == std::string_view::npos;
    if (segment == ".") {
      ends_in_directory = last;
    } else if (segment == "..") {
      if (!output.empty()) output.pop_back();
      ends_in_directory = last;
    } else {
      output.push_back(segment);
      ends_in_directory = false;
    }
    if (last) break;
    at = slash + 1;
  }
  std::string path = absolute ? "/" : "";
  for (std::size_t i = 0; i < output.size(); ++i) {
    if (i != 0) path += '/';
    path += output[i];
  }
  if (ends_in_directory && !output.empty()) path += '/';
  return path;
}

// RFC 3986, 5.2.3.
std::string merge_paths(const AddressParts& base, std::string_view reference_path) {
  std::string merged;
  if (base.authority && base.path.empty()) {
    merged = "/";
  } else if (const std::size_t slash = base.path.rfind('/'); slash != std::string::npos) {
    merged = base.path.substr(0, slash + 1);
  }
  merged.append(reference_path);
  return merged;
}

}  // namespace

std::string AddressParts::joined() const {
  std::string address;
  if (scheme) address += *scheme + ":";
  if (authority) address += "//" + *authority;
  address += path;
  if (query) address += "?" + *query;
  if (fragment) address += "#" + *fragment;
  return address;
}

AddressParts split_address(std::string_view address) {
  AddressParts parts;
  std::size_t at = 0;
  for (std::size_t i = 0; i < address.size(); ++i) {
    if (address[i] == ':' && i > 0) {
      parts.scheme = std::string(address.substr(0, i));
      at = i + 1;
      break;
    }
    if (!scheme_character(address[i], i == 0)) break;
  }
  if (address.substr(at, 2) == "//") {
    const std::size_t end = address.find_first_of("/?#", at + 2);
    parts.authority = std::string(address.substr(at + 2, end == std::string_view::npos ? end : end - at - 2));
    at = end == std::string_view::npos ? address.size() : end;
  }
  const std::size_t hash = address.find('#', at);
  if (hash != std::string_view::npos) parts.fragment = std::string(address.substr(hash + 1));
  const std::string_view before_fragment =
      address.substr(at, hash == std::string_view::npos ? hash : hash - at);
  const std::size_t question = before_fragment.find('?');
  parts.path = std::string(before_fragment.substr(0, question));
  if (question != std::string_view::npos) parts.query = std::string(before_fragment.substr(question + 1));
  return parts;
}

std::string scheme_of(std::string_view address) {
  const AddressParts parts = split_address(address);
  return parts.scheme ? lower(*parts.scheme) : std::string();
}

bool is_web_scheme(std::string_view scheme) { return scheme == "http" || scheme == "https"; }

// RFC 3986, 5.2.2, strict.
std::string resolve_reference(std::string_view base_address, std::string_view reference_address) {
  const AddressParts base = split_address(base_address);
  const AddressParts reference = split_address(reference_address);
  AddressParts target;
  target.fragment = reference.fragment;
  if (reference.scheme) {
    target.scheme = reference.scheme;
    target.authority = reference.authority;
    target.path = remove_dot_segments(reference.path);
    target.query = reference.query;
    return target.joined();
  }
  target.scheme = base.scheme;
  if (reference.authority) {
    target.authority = reference.authority;
    target.path = remove_dot_segments(reference.path);
    target.query = reference.query;
    return target.joined();
  }
  target.authority = base.authority;
  if (reference.path.empty()) {
    target.path = base.path;
    target.query = reference.query ? reference.query : base.query;
  } else {
    target.path = remove_dot_segments(reference.path.front() == '/' ? reference.path
                                                                    : merge_paths(base, reference.path));
    target.query = reference.query;
  }
  return target.joined();
}

std::string wire_address(std::string_view utf8_address) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  AddressParts parts = split_address(utf8_address);
  parts.fragment.reset();
  std::string wire;
  for (const char byte : parts.joined()) {
    const auto value = static_cast<unsigned char>(byte);
    if (value >= 0x7F || value <= 0x20) {
      wire += '%';
      wire += kHex[value >> 4];
      wire += kHex[value & 0x0F];
    } else {
      wire += byte;
    }
  }
  return wire;
}

std::string referer_of(std::string_view utf8_address) {
  AddressParts parts = split_address(wire_address(utf8_address));
  if (parts.authority) {
    const std::size_t at = parts.authority->rfind('@');
    if (at != std::string::npos) parts.authority = parts.authority->substr(at + 1);
  }
  return parts.joined();
}
