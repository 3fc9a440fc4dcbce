#include "cli/batch.h"

#include <chrono>
#include <cstdio>
#include <string>

#include "extract/autoplay_fetch.h"
#include "fetch/local_utf8.h"
#include "fetch/utf8.h"

namespace {

bool certificate_failure(std::int32_t failure) {
  // WinHTTP's certificate errors: 12037, 12038, 12044, 12045, 12057, 12169,
  // 12175 (secure failure), 12179.
  for (const std::uint32_t code : {12037u, 12038u, 12044u, 12045u, 12057u, 12169u, 12175u, 12179u}) {
    if (failure == request_failure(code)) return true;
  }
  return false;
}

// A JSON string of UTF-8 text: quotes, backslashes and control characters
// escaped, and a byte that is no part of a well-formed sequence as U+FFFD.
std::string json_string(std::string_view text) {
  std::string json = "\"";
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) {
      if (byte == '"' || byte == '\\') {
        json += '\\';
        json += static_cast<char>(byte);
      } else if (byte < 0x20 || byte == 0x7F) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\u%04X", byte);
        json += escaped;
      } else {
        json += static_cast<char>(byte);
      }
      ++i;
      continue;
    }
    const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC2 ? 2 : 0;
    bool whole = length != 0 && byte <= 0xF4 && i + length <= text.size();
    for (std::size_t k = 1; whole && k < length; ++k) {
      whole = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
    }
    if (whole && length >= 3) {
      const auto second = static_cast<unsigned char>(text[i + 1]);
      // No overlong forms, no surrogates, nothing past U+10FFFF.
      whole = !(byte == 0xE0 && second < 0xA0) && !(byte == 0xED && second >= 0xA0) &&
              !(byte == 0xF0 && second < 0x90) && !(byte == 0xF4 && second >= 0x90);
    }
    if (whole) {
      json.append(text.substr(i, length));
      i += length;
    } else {
      json += "\xEF\xBF\xBD";
      ++i;
    }
  }
  return json + "\"";
}

std::string json_value_or_null(const std::string& text) { return text.empty() ? "null" : json_string(text); }

}  // namespace

std::string failure_reason(const PageOutcome& outcome) {
  const std::int32_t failure = outcome.failure;
  // Cancelled: page_request's watch aborted an object that kept to no time-out.
  if (failure == kRequestTimeout || failure == kRequestCancelled || failure == kRequestAborted) {
    return "no answer within 15 s";
  }
  if (failure == kRequestCannotConnect) return "connection refused";
  if (certificate_failure(failure)) return "certificate not trusted";
  if (failure == kRequestSecureChannelError) return "secure connection failed";
  if (failure == kRequestNameNotResolved) return "host not found";
  if (failure == kRequestInvalidUrl) return "not a page address";
  if (failure == kRequestUnrecognizedScheme) return "only http and https pages are fetched";
  if (failure == kRequestRedirectFailed) return "redirect not followed";
  if (failure != 0) {
    char code[32];
    std::snprintf(code, sizeof code, "exchange failed (0x%08X)", static_cast<unsigned>(failure));
    return code;
  }
  if (outcome.status != 0 && (outcome.status < 200 || outcome.status > 299)) {
    return "HTTP " + std::to_string(outcome.status);
  }
  return "no flash entry on the page";
}

PageResult run_page(const std::string& page) {
  PageResult result;
  result.page = page;
  const auto started = std::chrono::steady_clock::now();
  PageOutcome outcome;
  const ByteSet page_bytes(page.begin(), page.end());
  const Text address = extract_autoplay_address(utf8_to_local(page_bytes), &outcome);
  result.milliseconds =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started)
          .count();
  result.address = local_to_utf8(address);
  result.http_status = outcome.status;
  result.body_bytes = outcome.body_bytes;
  if (result.address.empty()) result.error = failure_reason(outcome);
  return result;
}

PageResult run_page(const std::string& page, const Command&) { return run_page(page); }

OutputLines format_result(OutputFormat format, const PageResult& result) {
  OutputLines lines;
  switch (format) {
    case OutputFormat::kAddresses:
      if (!result.address.empty()) {
        lines.out = result.address + "\n";
      } else {
        lines.err = result.page + ": " + local_to_utf8(kGetFailed) + " " + result.error + "\n";
      }
      break;
    case OutputFormat::kTsv:
      lines.out =
          result.page + "\t" + result.address + "\t" + (result.address.empty() ? result.error : "ok") + "\n";
      break;
    case OutputFormat::kJson:
      lines.out =
          "{\"page\":" + json_string(result.page) + ",\"address\":" + json_value_or_null(result.address) +
          ",\"error\":" + json_value_or_null(result.error) +
          ",\"http_status\":" + (result.http_status != 0 ? std::to_string(result.http_status) : "null") +
          ",\"body_bytes\":" + std::to_string(result.body_bytes) +
          ",\"milliseconds\":" + std::to_string(result.milliseconds) + "}\n";
      break;
  }
  return lines;
}
