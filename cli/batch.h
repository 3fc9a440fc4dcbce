// The batch program's portable parts: its command line, its lists of pages,
// the reason a page gave no address, and its output lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fetch/page_request.h"

inline constexpr int kExitAllGaveAddress = 0;
inline constexpr int kExitSomeFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitInterrupted = 130;
inline constexpr int kDefaultJobs = 4;
inline constexpr int kMaxJobs = 64;
inline constexpr std::uint64_t kDefaultMaxPageSize = std::uint64_t{64} << 20;

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
  std::vector<PageSource> sources;  // standard input alone when none was named
};

// `arguments` without the program's name, as UTF-8.
Command parse_command_line(const std::vector<std::string>& arguments);

std::string usage_error_line(const std::string& what);
std::string help_text();
std::string version_text();

// The pages of a list: one per line, "\r\n" or "\n"; empty lines and lines
// starting with "#" skipped.
void append_pages_of_list(std::string_view list, std::vector<std::string>& pages);

struct PageResult {
  std::string page;     // as given (UTF-8)
  std::string address;  // UTF-8; empty when the page gave none
  std::string error;    // why not, when it gave none
  std::int32_t http_status = 0;
  std::uint64_t body_bytes = 0;
  std::int64_t milliseconds = 0;
};

// Why a page whose exchange went as `outcome` gave no address.
std::string failure_reason(const PageOutcome& outcome);

// One page through the window's own step: request, search, address; its body
// searched as it arrives and failing as "page too large" past `max_page_size`.
PageResult run_page(const std::string& page, std::uint64_t max_page_size);
PageResult run_page(const std::string& page);

struct OutputLines {
  std::string out;  // for standard output
  std::string err;  // for standard error
};
OutputLines format_result(OutputFormat format, const PageResult& result);
