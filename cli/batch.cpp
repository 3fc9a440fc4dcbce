#include "cli/batch.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "extract/autoplay_fetch.h"
#include "fetch/local_utf8.h"

namespace {

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
  if (outcome.failure != FetchFailure::kNone) return std::string(failure_words(outcome.failure));
  if (outcome.status != 0 && (outcome.status < 200 || outcome.status > 299)) {
    return "HTTP " + std::to_string(outcome.status);
  }
  return "no flash entry on the page";
}

namespace {

// The factories of the pages in flight, each kept for the next page once its
// page is done: on Windows a factory's session keeps its connections open
// from one page to the next. (Not one per thread: MinGW's thread-local
// objects with destructors are not safe to end with their threads.)
class FactoryPool {
 public:
  std::unique_ptr<ExchangeFactory> take() {
    const std::lock_guard lock(mutex_);
    if (idle_.empty()) return batch_exchange_factory();
    std::unique_ptr<ExchangeFactory> factory = std::move(idle_.back());
    idle_.pop_back();
    return factory;
  }
  void give_back(std::unique_ptr<ExchangeFactory> factory) {
    const std::lock_guard lock(mutex_);
    idle_.push_back(std::move(factory));
  }

 private:
  std::mutex mutex_;
  std::vector<std::unique_ptr<ExchangeFactory>> idle_;
};

}  // namespace

PageResult run_page(const std::string& page, std::uint64_t max_page_size) {
  static FactoryPool pool;
  std::unique_ptr<ExchangeFactory> factory = pool.take();
  PageResult result;
  result.page = page;
  const auto started = std::chrono::steady_clock::now();
  PageOutcome outcome;
  // The address goes to the wire as given, in UTF-8: never through code page 936.
  const Text address = extract_autoplay_address_streamed(*factory, page, max_page_size, outcome);
  pool.give_back(std::move(factory));
  result.milliseconds =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started)
          .count();
  result.address = local_to_utf8(address);
  result.http_status = outcome.status;
  result.body_bytes = outcome.body_bytes;
  if (result.address.empty()) result.error = failure_reason(outcome);
  return result;
}

PageResult run_page(const std::string& page) { return run_page(page, kDefaultMaxPageSize); }
PageResult run_page(const std::string& page, const Command& command) {
  return run_page(page, command.max_page_size);
}

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
