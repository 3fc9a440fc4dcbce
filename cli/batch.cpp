#include "cli/batch.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "cli/console.h"
#include "extract/autoplay_fetch.h"
#include "fetch/local_utf8.h"
#include "fetch/request_headers.h"

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

using Clock = std::chrono::steady_clock;

constexpr auto kLongestRetryAfter = std::chrono::seconds(60);
constexpr auto kWaitStep = std::chrono::milliseconds(50);

// The factories of the pages in flight, each kept for the next page once its
// page is done: on Windows a factory's session keeps its connections open
// from one page to the next. (Not one per thread: MinGW's thread-local
// objects with destructors are not safe to end with their threads.)
class FactoryPool {
 public:
  std::unique_ptr<ExchangeFactory> take(const std::string& proxy) {
    const std::lock_guard lock(mutex_);
    if (idle_.empty()) return batch_exchange_factory(proxy);
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

// Ends an exchange once the page's time is up or the user has stopped the program.
class PageDeadline final : public CancelCheck {
 public:
  explicit PageDeadline(std::optional<Clock::time_point> deadline) : deadline_(deadline) {}
  bool cancelled() override { return (interruption() != 0) || passed(); }
  bool passed() const { return deadline_ && Clock::now() >= *deadline_; }
  // Whole seconds left, at least one; nullopt without a deadline.
  std::optional<std::int32_t> seconds_left() const {
    if (!deadline_) return std::nullopt;
    const auto left = std::chrono::ceil<std::chrono::seconds>(*deadline_ - Clock::now()).count();
    return static_cast<std::int32_t>(std::max<std::int64_t>(left, 1));
  }
  // Waits `wait`, or less when the deadline comes first or the user stops
  // the program; false when it did not wait all of it.
  bool wait(std::chrono::milliseconds wait) const {
    const Clock::time_point until = Clock::now() + wait;
    if (deadline_ && until >= *deadline_) return false;
    while (Clock::now() < until) {
      if ((interruption() != 0)) return false;
      std::this_thread::sleep_for(std::min<Clock::duration>(kWaitStep, until - Clock::now()));
    }
    return true;
  }

 private:
  const std::optional<Clock::time_point> deadline_;
};

double random_spread() {
  static std::mutex mutex;
  static std::mt19937 engine{std::random_device{}()};
  const std::lock_guard lock(mutex);
  return std::uniform_real_distribution<double>(0.0, 1.0)(engine);
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
std::int64_t days_from_civil(std::int64_t year, unsigned month, unsigned day) {
  year -= month <= 2;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const auto year_of_era = static_cast<unsigned>(year - era * 400);
  const unsigned day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const unsigned day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + static_cast<std::int64_t>(day_of_era) - 719468;
}

}  // namespace

bool worth_another_try(const PageOutcome& outcome) {
  switch (outcome.failure) {
    case FetchFailure::kTimedOut:
    case FetchFailure::kRefused:
    case FetchFailure::kReset:
      return true;
    case FetchFailure::kNone:
      return outcome.status == 429 || outcome.status == 502 || outcome.status == 503 || outcome.status == 504;
    default:
      return false;
  }
}

std::chrono::milliseconds retry_wait(int attempt, std::optional<std::chrono::seconds> retry_after,
                                     double spread) {
  if (retry_after) return std::min(*retry_after, kLongestRetryAfter);
  // 1 s, 2 s, 4 s ... each between three quarters and five quarters of it.
  const double base_ms = 1000.0 * static_cast<double>(std::uint64_t{1} << std::min(attempt - 1, 6));
  return std::chrono::milliseconds(static_cast<std::int64_t>(base_ms * (0.75 + 0.5 * spread)));
}

std::optional<std::chrono::seconds> retry_after_of(std::string_view value, std::int64_t now) {
  if (value.empty()) return std::nullopt;
  if (value.find_first_not_of("0123456789") == std::string_view::npos) {
    if (value.size() > 9) return kLongestRetryAfter;
    return std::chrono::seconds(std::stoll(std::string(value)));
  }
  // IMF-fixdate, as HTTP writes dates: "Sun, 06 Nov 1994 08:49:37 GMT".
  static constexpr std::string_view kMonths = "JanFebMarAprMayJunJulAugSepOctNovDec";
  int day = 0, year = 0, hour = 0, minute = 0, second = 0;
  char month[4] = {};
  if (std::sscanf(std::string(value).c_str(), "%*3s, %2d %3s %4d %2d:%2d:%2d GMT", &day, month, &year, &hour,
                  &minute, &second) != 6) {
    return std::nullopt;
  }
  const std::size_t month_at = kMonths.find(month);
  if (month_at == std::string_view::npos || month_at % 3 != 0) return std::nullopt;
  const std::int64_t at =
      days_from_civil(year, static_cast<unsigned>(month_at / 3 + 1), static_cast<unsigned>(day)) * 86400 +
      hour * 3600 + minute * 60 + second;
  return std::chrono::seconds(std::max<std::int64_t>(at - now, 0));
}

PageResult run_page(const std::string& page, const Command& command) {
  static FactoryPool pool;
  PageResult result;
  result.page = page;
  const Clock::time_point started = Clock::now();
  PageDeadline deadline(command.max_time ? std::optional(started + *command.max_time) : std::nullopt);
  PageOutcome outcome;
  Text address;
  for (int attempt = 1;; ++attempt) {
    result.attempts = attempt;
    PageRequestOptions options;
    options.cancel = &deadline;
    // No wait of the exchange may outlast the page's time.
    if (const auto left = deadline.seconds_left(); left && *left < 15) options.timeout = *left;
    std::unique_ptr<ExchangeFactory> factory = pool.take(command.proxy);
    // The address goes to the wire as given, in UTF-8: never through code page 936.
    address = extract_autoplay_address_streamed(*factory, page, command.max_page_size, options, outcome);
    pool.give_back(std::move(factory));
    if (!address.empty() || attempt > command.retries || !worth_another_try(outcome) ||
        (interruption() != 0) || deadline.passed()) {
      break;
    }
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const auto retry_after = retry_after_of(header_value(options.response_headers.view(), "Retry-After"),
                                            std::chrono::duration_cast<std::chrono::seconds>(now).count());
    if (!deadline.wait(retry_wait(attempt, retry_after, random_spread()))) break;
  }
  result.milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count();
  result.address = local_to_utf8(address);
  result.http_status = outcome.status;
  result.body_bytes = outcome.body_bytes;
  if (result.address.empty()) {
    result.error = (interruption() != 0) ? "interrupted"
                   : deadline.passed()   ? "over --max-time"
                                         : failure_reason(outcome);
  }
  return result;
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
          ",\"attempts\":" + std::to_string(result.attempts) +
          ",\"milliseconds\":" + std::to_string(result.milliseconds) + "}\n";
      break;
  }
  return lines;
}
