// The batch program's portable parts: its command line, its lists of pages,
// the reason a page gave no address, and its output lines.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fetch/page_request.h"

inline constexpr int kExitAllGaveAddress = 0;
inline constexpr int kExitSomeFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitOutputFailed = 3;
inline constexpr int kExitInterrupted = 130;  // 128 + SIGINT, as shells report it
inline constexpr int kExitTerminated = 143;   // 128 + SIGTERM
inline constexpr int kDefaultJobs = 4;
inline constexpr int kMaxJobs = 64;
inline constexpr int kDefaultRetries = 2;
inline constexpr int kMaxRetries = 100;
inline constexpr std::uint64_t kDefaultMaxPageSize = std::uint64_t{64} << 20;
inline constexpr std::uint64_t kMinPageSizeLimit = std::uint64_t{1} << 10;
inline constexpr std::uint64_t kMaxPageSizeLimit = std::uint64_t{4} << 30;

enum class OutputFormat { kAddresses, kTsv, kJson };

// Where pages come from, in command-line order.
struct PageSource {
  enum class Kind { kPage, kStandardInput, kFile };
  Kind kind = Kind::kPage;
  std::string value;  // the page, or the file's name
};

struct Command {
  enum class Action { kRun, kHelp, kVersion, kUsageError };
  Action action = Action::kRun;
  std::string usage_error;  // what was wrong, for kUsageError
  OutputFormat format = OutputFormat::kAddresses;
  int jobs = kDefaultJobs;
  std::uint64_t max_page_size = kDefaultMaxPageSize;  // a body past it fails the page
  int retries = kDefaultRetries;                      // further tries of a failure worth one
  std::optional<std::chrono::seconds> max_time;       // a page's whole time, its retries included
  std::string proxy;                                  // empty: the system's
  std::vector<PageSource> sources;                    // standard input alone when none was named
  std::string archive;                                // --archive: the pages done, or empty
};

// `arguments` without the program's name, as UTF-8.
Command parse_command_line(const std::vector<std::string>& arguments);

std::string usage_error_line(const std::string& what);
// "tarnvex-cli: what", a line.
std::string message_line(const std::string& what);
std::string help_text();
std::string version_text();
// The manual page in roff, dated `date`.
std::string manual_page(std::string_view date);

// The pages of a list's lines, and the numbers of those skipped as not UTF-8.
struct ListLines {
  std::vector<std::string> pages;
  std::vector<std::size_t> not_utf8;
};

// A list read as its bytes come, as editors save lists: the encoding from its
// first bytes (a UTF-8 byte-order mark dropped; UTF-16 LE or BE with theirs),
// then a page a line, "\r\n" or "\n", spaces and tabs around it dropped;
// blank lines and lines whose first mark is "#" skipped. A line that is not
// UTF-8 is read by `fallback` (a system code page) where one is given and it
// gives text; otherwise it is skipped and its number noted.
class ListReader {
 public:
  using Fallback = std::optional<std::string> (*)(std::string_view line);
  explicit ListReader(Fallback fallback = nullptr) : fallback_(fallback) {}

  // The lines these bytes complete.
  void add(std::string_view bytes, ListLines& lines);
  // At the end of the list: its last line, if no line break ended it.
  void finish(ListLines& lines);

 private:
  enum class Encoding { kUndecided, kUtf8, kUtf16Le, kUtf16Be };
  void decide_encoding();
  void decode(bool final, ListLines& lines);
  void end_line(ListLines& lines);

  const Fallback fallback_;
  Encoding encoding_ = Encoding::kUndecided;
  std::string undecoded_;  // the start of a mark, or of a UTF-16 character
  std::string line_;       // UTF-8 so far
  std::size_t number_ = 0;
};

struct PageResult {
  std::string page;     // as given (UTF-8)
  std::string address;  // UTF-8; empty when the page gave none
  std::string error;    // why not, when it gave none
  std::int32_t http_status = 0;
  std::uint64_t body_bytes = 0;
  int attempts = 0;
  std::int64_t milliseconds = 0;
};

// Why a page whose exchange went as `outcome` gave no address.
std::string failure_reason(const PageOutcome& outcome);

// One page through the window's own step: request, search, address; its body
// searched as it arrives, within the command's limits (--max-page-size,
// --max-time), tried again (--retries) after a failure worth another try,
// through its proxy.
PageResult run_page(const std::string& page, const Command& command);

// Whether a page that went as `outcome` may give its address at another try:
// no answer, a refused or reset connection, 429, 502, 503, 504.
bool worth_another_try(const PageOutcome& outcome);
// How long to wait before try number `attempt` + 1: from about a second,
// doubling, with jitter (`spread` from 0 to 1); a Retry-After the server gave
// is honoured up to a minute.
std::chrono::milliseconds retry_wait(int attempt, std::optional<std::chrono::seconds> retry_after,
                                     double spread);
// A Retry-After value, in seconds or as an HTTP date, as a wait from `now`
// (seconds since 1970); nullopt when it cannot be read.
std::optional<std::chrono::seconds> retry_after_of(std::string_view value, std::int64_t now);

struct OutputLines {
  std::string out;  // for standard output
  std::string err;  // for standard error
};
OutputLines format_result(OutputFormat format, const PageResult& result);
