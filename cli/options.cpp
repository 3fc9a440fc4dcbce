// The command line, its help and its manual page, all from one table of
// options and one of exit statuses, so the three never disagree.
#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "cli/batch.h"

namespace {

constexpr char kProgram[] = "tarnvex-cli";

// Applies an option (with its value, when it takes one); the usage error, or
// empty.
using ApplyOption = std::string (*)(Command& command, const std::string& value);

struct OptionRow {
  std::string_view name;   // "--jobs"
  char alias;              // the one-letter form, or 0
  std::string_view value;  // what its value stands for; empty when it takes none
  ApplyOption apply;       // the range check too
  std::string_view help;   // a line break continues it in the next line
};

std::string add_source(Command& command, const std::string& value) {
  if (value == "-") {
    command.sources.push_back({PageSource::Kind::kStandardInput, {}});
  } else {
    command.sources.push_back({PageSource::Kind::kFile, value});
  }
  return {};
}

std::string set_format(Command& command, OutputFormat format) {
  if (command.format != OutputFormat::kAddresses) return "--tsv and --json exclude each other";
  command.format = format;
  return {};
}

std::string set_jobs(Command& command, const std::string& value) {
  int jobs = 0;
  for (const char digit : value) {
    if (digit < '0' || digit > '9' || jobs > kMaxJobs) return "--jobs takes a number from 1 to 64";
    jobs = jobs * 10 + (digit - '0');
  }
  if (jobs < 1 || jobs > kMaxJobs) return "--jobs takes a number from 1 to 64";
  command.jobs = jobs;
  return {};
}

std::string set_max_page_size(Command& command, const std::string& value) {
  const std::string error = "--max-page-size takes a size from 1K to 4G (bytes, or with K, M or G)";
  std::string_view digits = value;
  unsigned shift = 0;
  if (!digits.empty()) {
    switch (digits.back()) {
      case 'K':
      case 'k':
        shift = 10;
        break;
      case 'M':
      case 'm':
        shift = 20;
        break;
      case 'G':
      case 'g':
        shift = 30;
        break;
      default:
        break;
    }
    if (shift != 0) digits.remove_suffix(1);
  }
  if (digits.empty()) return error;
  std::uint64_t size = 0;
  for (const char digit : digits) {
    // Past the largest size no digit can bring it back: stop before overflowing.
    if (digit < '0' || digit > '9' || (size << shift) > kMaxPageSizeLimit) return error;
    size = size * 10 + static_cast<unsigned>(digit - '0');
  }
  size <<= shift;
  if (size < kMinPageSizeLimit || size > kMaxPageSizeLimit) return error;
  command.max_page_size = size;
  return {};
}

// A whole number from `low` to `high`, or nullopt.
std::optional<int> number_between(const std::string& value, int low, int high) {
  if (value.empty() || value.size() > 9 || value.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  const int number = std::stoi(value);
  if (number < low || number > high) return std::nullopt;
  return number;
}

std::string set_retries(Command& command, const std::string& value) {
  const std::optional<int> retries = number_between(value, 0, kMaxRetries);
  if (!retries) return "--retries takes a number from 0 to 100";
  command.retries = *retries;
  return {};
}

std::string set_max_time(Command& command, const std::string& value) {
  const std::optional<int> seconds = number_between(value, 1, 86400 * 7);
  if (!seconds) return "--max-time takes seconds from 1 to 604800";
  command.max_time = std::chrono::seconds(*seconds);
  return {};
}

std::string set_proxy(Command& command, const std::string& value) {
  const std::size_t scheme = value.find("://");
  if (value.empty() || (scheme != std::string::npos && value.compare(0, scheme, "http") != 0)) {
    return "--proxy takes an http proxy's address (http://host:port)";
  }
  command.proxy = value;
  return {};
}

std::string set_archive(Command& command, const std::string& value) {
  if (value.empty()) return "--archive needs a file name";
  if (!command.archive.empty()) return "--archive is given once";
  command.archive = value;
  return {};
}

constexpr OptionRow kOptions[] = {
    {"--input", 0, "FILE", add_source, "read pages from FILE as well, one a line\n(- for standard input)"},
    {"--archive", 0, "FILE", set_archive,
     "skip the pages listed in FILE, and add each page\nthere once its line is written (FILE is created\n"
     "if missing), so that a stopped list can go on"},
    {"--tsv", 0, "", [](Command& c, const std::string&) { return set_format(c, OutputFormat::kTsv); },
     "print page<TAB>address<TAB>status for every page"},
    {"--json", 0, "", [](Command& c, const std::string&) { return set_format(c, OutputFormat::kJson); },
     "print one JSON object per page (page, address,\nerror, http_status, body_bytes, "
     "attempts,\nmilliseconds)"},
    {"--jobs", 0, "N", set_jobs, "N pages in flight at once (1 to 64, default 4)"},
    {"--max-page-size", 0, "SIZE", set_max_page_size,
     "fail a page whose body grows past SIZE: bytes,\nor with K, M or G for KiB, MiB or GiB\n"
     "(1K to 4G, default 64M)"},
    {"--retries", 0, "N", set_retries,
     "try a page up to N times more after no answer,\na refused or reset connection, or HTTP 429, 502,\n"
     "503 or 504, waiting from about a second, doubling,\nor as the server's Retry-After says up to a\n"
     "minute (default 2)"},
    {"--max-time", 0, "SECONDS", set_max_time,
     "give a page at most SECONDS in all, its retries\nincluded (default: no bound; a page that "
     "keeps\narriving is "
     "never cut off)"},
    {"--proxy", 0, "URL", set_proxy,
     "fetch through the HTTP proxy at URL\n(http://host:port); without it, http_proxy,\nhttps_proxy, "
     "all_proxy "
     "and no_proxy on Linux,\nthe user's proxy on Windows"},
    {"--help", 'h', "",
     [](Command& c, const std::string&) {
       c.action = Command::Action::kHelp;
       return std::string();
     },
     "print this help and exit"},
    {"--version", 0, "",
     [](Command& c, const std::string&) {
       c.action = Command::Action::kVersion;
       return std::string();
     },
     "print the version and exit"},
};

struct ExitStatusRow {
  int code;
  std::string_view meaning;
};

constexpr ExitStatusRow kExitStatuses[] = {
    {kExitAllGaveAddress, "every page gave an address"},
    {kExitSomeFailed, "some page did not, or a line of a list was skipped"},
    {kExitUsage, "a usage error"},
    {kExitOutputFailed, "standard output could not be written (a full disk;\non Windows, a closed pipe too)"},
    {kExitInterrupted, "interrupted by Ctrl-C (SIGINT)"},
    {kExitTerminated, "terminated (SIGTERM, Linux)"},
};

constexpr std::string_view kDescription =
    "Fetches each video page and prints its auto-play address, in the order given.\n"
    "With no PAGE, or where PAGE is -, the pages are read from standard input,\n"
    "one a line. In a list, blank lines and lines starting with # are skipped,\n"
    "spaces around an address are dropped, and UTF-8, or UTF-16 with a byte-order\n"
    "mark, is read. After --, every argument is a page.\n"
    "Without --tsv or --json, addresses go to standard output and each page that\n"
    "gave none to standard error, with the reason.";

Command usage_error(std::string what) {
  Command command;
  command.action = Command::Action::kUsageError;
  command.usage_error = std::move(what);
  return command;
}

// The row `argument` names ("--name", "--name=value" or "-a"), with the value
// given in it; nullptr when none does.
const OptionRow* option_named(const std::string& argument, std::optional<std::string>& inline_value) {
  for (const OptionRow& row : kOptions) {
    if (argument == row.name || (row.alias != 0 && argument == std::string{'-', row.alias})) return &row;
    if (argument.starts_with(std::string(row.name) + "=")) {
      inline_value = argument.substr(row.name.size() + 1);
      return &row;
    }
  }
  return nullptr;
}

std::string option_label(const OptionRow& row) {
  std::string label = row.alias != 0 ? std::string{'-', row.alias, ',', ' '} : std::string(4, ' ');
  label += row.name;
  if (!row.value.empty()) {
    label += ' ';
    label += row.value;
  }
  return label;
}

// Text for a roff body line: backslashes and hyphens as roff wants them, and
// no line taken for a request.
std::string roff(std::string_view text) {
  std::string out;
  bool line_start = true;
  for (const char c : text) {
    if (line_start && (c == '.' || c == '\'')) out += "\\&";
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-') {
      out += "\\-";
    } else {
      out += c;
    }
    line_start = c == '\n';
  }
  return out;
}

}  // namespace

Command parse_command_line(const std::vector<std::string>& arguments) {
  Command command;
  bool options_ended = false;
  for (std::size_t index = 0; index < arguments.size(); ++index) {
    const std::string& argument = arguments[index];
    if (options_ended || argument == "-" || !argument.starts_with("-")) {
      if (argument == "-" && !options_ended) {
        command.sources.push_back({PageSource::Kind::kStandardInput, {}});
      } else {
        command.sources.push_back({PageSource::Kind::kPage, argument});
      }
      continue;
    }
    if (argument == "--") {
      options_ended = true;
      continue;
    }
    std::optional<std::string> value;
    const OptionRow* row = option_named(argument, value);
    if (row == nullptr) return usage_error("unknown option '" + argument + "'");
    if (row->value.empty() && value) return usage_error(std::string(row->name) + " takes no value");
    if (!row->value.empty() && !value) {
      if (index + 1 >= arguments.size()) return usage_error(std::string(row->name) + " needs a value");
      value = arguments[++index];
    }
    const std::string error = row->apply(command, value.value_or(""));
    if (!error.empty()) return usage_error(error);
    if (command.action != Command::Action::kRun) return command;
  }
  if (command.sources.empty()) command.sources.push_back({PageSource::Kind::kStandardInput, {}});
  return command;
}

std::string usage_error_line(const std::string& what) {
  return std::string(kProgram) + ": " + what + " (see '" + kProgram + " --help')\n";
}

std::string message_line(const std::string& what) { return std::string(kProgram) + ": " + what + "\n"; }

std::string help_text() {
  std::size_t width = 0;
  for (const OptionRow& row : kOptions) width = std::max(width, option_label(row).size());
  std::string text =
      std::string("Usage: ") + kProgram + " [OPTION]... [PAGE]...\n" + std::string(kDescription) + "\n\n";
  const std::string indent(width + 4, ' ');
  for (const OptionRow& row : kOptions) {
    const std::string label = option_label(row);
    text += "  " + label + std::string(width + 2 - label.size(), ' ');
    for (const char c : row.help) text += c == '\n' ? "\n" + indent : std::string(1, c);
    text += '\n';
  }
  text += "\nExit status:\n";
  for (const ExitStatusRow& row : kExitStatuses) {
    const std::string code = std::to_string(row.code);
    text += "  " + code + std::string(5 - code.size(), ' ');
    for (const char c : row.meaning) text += c == '\n' ? "\n       " : std::string(1, c);
    text += '\n';
  }
  return text;
}

std::string version_text() { return std::string(kProgram) + " " + TARNVEX_VERSION + "\n"; }

std::string manual_page(std::string_view date) {
  // Appended piece by piece: GCC 12 takes "literal" + std::string&& for an
  // overlapping copy (-Wrestrict).
  std::string page = ".TH TARNVEX\\-CLI 1 \"";
  for (const std::string& piece :
       {std::string(date), std::string("\" \""), roff(kProgram),
        std::string(" " TARNVEX_VERSION "\" \"User Commands\"\n"), std::string(".SH NAME\n"), roff(kProgram),
        std::string(" \\- print the auto\\-play address of video pages\n"), std::string(".SH SYNOPSIS\n.B "),
        roff(kProgram), std::string("\n[\\fIOPTION\\fR]... [\\fIPAGE\\fR]...\n"),
        std::string(".SH DESCRIPTION\n"), roff(kDescription), std::string("\n.SH OPTIONS\n")}) {
    page += piece;
  }
  for (const OptionRow& row : kOptions) {
    page += ".TP\n\\fB";
    if (row.alias != 0) {
      page += "\\-";
      page += row.alias;
      page += "\\fR, \\fB";
    }
    page += roff(row.name);
    page += "\\fR";
    if (!row.value.empty()) {
      page += " \\fI";
      page += roff(row.value);
      page += "\\fR";
    }
    std::string help(row.help);
    std::replace(help.begin(), help.end(), '\n', ' ');
    page += '\n';
    page += roff(help);
    page += '\n';
  }
  page += ".SH EXIT STATUS\n";
  for (const ExitStatusRow& row : kExitStatuses) {
    std::string meaning(row.meaning);
    std::replace(meaning.begin(), meaning.end(), '\n', ' ');
    page += ".TP\n.B ";
    page += std::to_string(row.code);
    page += '\n';
    page += roff(meaning);
    page += '\n';
  }
  return page;
}
