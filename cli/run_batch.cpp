// The batch program: pages in, one result line each, in input order, with
// up to --jobs exchanges in flight.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "cli/batch.h"
#include "cli/console.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kPollInterval = std::chrono::milliseconds(50);
constexpr auto kProgressInterval = std::chrono::milliseconds(200);

// The lines of a list that are not UTF-8, told on standard error.
std::string not_utf8_lines(const std::string& list, const std::vector<std::size_t>& numbers) {
  std::string told;
  for (const std::size_t line : numbers) {
    told += message_line(list + ":" + std::to_string(line) + ": not UTF-8, skipped");
  }
  return told;
}

// The pages of the command line in its order: those of arguments and list
// files, read at once, and the places of standard input, read as it comes.
struct PagesInOrder {
  struct Group {
    bool standard_input = false;
    std::vector<std::string> pages;
  };
  std::vector<Group> groups;
  std::size_t skipped = 0;  // lines not UTF-8
};

// False, with the message written, when a list file cannot be read.
bool read_sources(const std::vector<PageSource>& sources, PagesInOrder& in_order) {
  for (const PageSource& source : sources) {
    if (source.kind == PageSource::Kind::kStandardInput) {
      in_order.groups.push_back({true, {}});
      continue;
    }
    if (in_order.groups.empty() || in_order.groups.back().standard_input) in_order.groups.emplace_back();
    std::vector<std::string>& pages = in_order.groups.back().pages;
    if (source.kind == PageSource::Kind::kPage) {
      pages.push_back(source.value);
      continue;
    }
    const std::optional<std::string> list = read_file(source.value);
    if (!list) {
      write_standard_error(usage_error_line("cannot read '" + source.value + "'"));
      return false;
    }
    ListReader reader(system_code_page_to_utf8);
    ListLines lines;
    reader.add(*list, lines);
    reader.finish(lines);
    write_standard_error(not_utf8_lines(source.value, lines.not_utf8));
    in_order.skipped += lines.not_utf8.size();
    pages.insert(pages.end(), lines.pages.begin(), lines.pages.end());
  }
  return true;
}

// Standard output took no more: the reason told (unless its reader went away),
// and the process ends without waiting for the pages in flight.
[[noreturn]] void end_for_output(const std::string& failure) {
  if (!failure.empty()) write_standard_error(message_line("cannot write standard output: " + failure));
  std::_Exit(kExitOutputFailed);
}

// On standard error when it is a terminal. When standard output is one too
// (the same screen, in practice), its lines also make room: the progress line
// is taken away and drawn again under them, never left in front of them.
class ProgressLine {
 public:
  ProgressLine(bool shown, bool output_on_screen)
      : shown_(shown), output_on_screen_(output_on_screen), started_(Clock::now()) {}

  // `total`: the pages known so far; standard input may bring more.
  void show(std::size_t done, std::size_t total, std::size_t failed, std::size_t bytes, bool now = false) {
    if (!shown_) return;
    const Clock::time_point at = Clock::now();
    if (!now && at - last_ < kProgressInterval) return;
    last_ = at;
    const double seconds = std::chrono::duration<double>(at - started_).count();
    double rate = seconds > 0 ? static_cast<double>(bytes) / seconds : 0.0;
    const char* unit = "B/s";
    for (const char* larger : {"KB/s", "MB/s", "GB/s"}) {
      if (rate < 1024.0) break;
      rate /= 1024.0;
      unit = larger;
    }
    char text[160];
    const int length = std::snprintf(text, sizeof text, "%zu of %zu pages, %zu failed, %.1f %s", done, total,
                                     failed, rate, unit);
    if (length <= 0) return;
    // Spaces, not an escape sequence, cover what a longer line left: a Windows
    // console shows escapes as they are unless asked to read them.
    const auto width = static_cast<std::size_t>(length);
    std::string line(1, '\r');
    line.append(text, width);
    if (drawn_ > width) line.append(drawn_ - width, ' ');
    write_standard_error(line);
    drawn_ = width;
  }
  // Before `lines` are written; true when the progress line was taken away.
  bool make_room(const OutputLines& lines) {
    if (drawn_ == 0 || (lines.err.empty() && (lines.out.empty() || !output_on_screen_))) return false;
    clear();
    return true;
  }
  void clear() {
    if (drawn_ != 0) {
      std::string blank(drawn_ + 2, ' ');
      blank.front() = blank.back() = '\r';
      write_standard_error(blank);
    }
    drawn_ = 0;
  }

 private:
  const bool shown_;
  const bool output_on_screen_;
  std::size_t drawn_ = 0;  // the width of the progress line on the screen
  const Clock::time_point started_;
  Clock::time_point last_{};
};

// The pages as they come, and their results as the workers finish them,
// written in input order. Whichever worker completes the next page writes its
// lines and those of the pages after it that are done already, so no line
// waits for another thread to be woken for it.
class OrderedOutput {
 public:
  OrderedOutput(OutputFormat format, ProgressLine progress) : format_(format), progress_(progress) {}

  // More pages, after those before; then the word that no more will come.
  void add(const std::vector<std::string>& pages) {
    if (pages.empty()) return;
    const std::lock_guard lock(mutex_);
    pages_.insert(pages_.end(), pages.begin(), pages.end());
    results_.resize(pages_.size());
    page_ready_.notify_all();
  }
  void end_of_pages() {
    const std::lock_guard lock(mutex_);
    pages_ended_ = true;
    page_ready_.notify_all();
    if (written_ == pages_.size()) all_written_.notify_all();
  }

  // A line of standard error between the lines of output, never behind the
  // progress line.
  void tell(const std::string& lines) {
    if (lines.empty()) return;
    const std::lock_guard lock(mutex_);
    progress_.clear();
    write_standard_error(lines);
  }

  // The next page for a worker, now in flight, once there is one; nullopt
  // when none is left and none will come.
  std::optional<std::pair<std::size_t, std::string>> take() {
    std::unique_lock lock(mutex_);
    page_ready_.wait(lock, [&] { return started_ < pages_.size() || pages_ended_; });
    if (started_ == pages_.size()) return std::nullopt;
    const std::size_t index = started_++;
    return std::pair(index, pages_[index]);
  }

  void put(std::size_t index, PageResult result) {
    const std::lock_guard lock(mutex_);
    bytes_ += result.body_bytes;
    results_[index] = std::move(result);
    for (; written_ < results_.size() && results_[written_].has_value(); ++written_) {
      write_lines(*results_[written_]);
      results_[written_].reset();
    }
    if (all_out()) all_written_.notify_all();
  }

  // True once every line is out; false when `wait` ran out first, with the
  // progress line brought up to date.
  bool wait_for_all(std::chrono::milliseconds wait) {
    std::unique_lock lock(mutex_);
    if (all_written_.wait_for(lock, wait, [&] { return all_out(); })) return true;
    progress_.show(written_, pages_.size(), failed_, bytes_);
    return false;
  }

  // Ctrl-C or SIGTERM: the pages done so far, and each one still in flight as
  // interrupted, in input order. With the lock kept no other line starts, so
  // every line is whole; the exchanges still waiting end with the process.
  [[noreturn]] void end_now(int code) {
    mutex_.lock();
    for (; written_ < started_; ++written_) {
      if (results_[written_]) {
        write_lines(*results_[written_]);
      } else {
        PageResult interrupted;
        interrupted.page = pages_[written_];
        interrupted.error = "interrupted";
        write_lines(interrupted);
      }
    }
    progress_.clear();
    std::_Exit(code);
  }

  // After the last line: the progress line gone, the pages that gave no address.
  std::size_t finish() {
    const std::lock_guard lock(mutex_);
    progress_.clear();
    return failed_;
  }

 private:
  bool all_out() const { return pages_ended_ && written_ == pages_.size(); }

  void write_lines(const PageResult& result) {
    const OutputLines lines = format_result(format_, result);
    if (result.address.empty()) ++failed_;
    const bool made_room = progress_.make_room(lines);
    std::string failure;
    if (!write_standard_output(lines.out, failure)) {
      progress_.clear();
      end_for_output(failure);
    }
    write_standard_error(lines.err);
    progress_.show(written_ + 1, pages_.size(), failed_, bytes_, made_room);
  }

  std::mutex mutex_;
  std::condition_variable page_ready_;
  std::condition_variable all_written_;
  std::vector<std::string> pages_;
  bool pages_ended_ = false;
  std::vector<std::optional<PageResult>> results_;
  const OutputFormat format_;
  ProgressLine progress_;
  std::size_t started_ = 0;
  std::size_t written_ = 0;
  std::size_t failed_ = 0;
  std::size_t bytes_ = 0;
};

// Standard input's pages as its lines come, so the first pages are on their
// way while the list is still being written; those of the groups after it at
// its end. The lines not UTF-8 are counted in `skipped`.
void feed(const PagesInOrder& in_order, std::size_t from, OrderedOutput& output, std::size_t& skipped) {
  for (std::size_t group = from; group < in_order.groups.size(); ++group) {
    if (!in_order.groups[group].standard_input) {
      output.add(in_order.groups[group].pages);
      continue;
    }
    ListReader reader(system_code_page_to_utf8);
    std::string bytes;
    bool more = true;
    while (more) {
      ListLines lines;
      more = read_standard_input(bytes);
      if (more) {
        reader.add(bytes, lines);
      } else {
        reader.finish(lines);
      }
      output.tell(not_utf8_lines("standard input", lines.not_utf8));
      skipped += lines.not_utf8.size();
      output.add(lines.pages);
    }
  }
  output.end_of_pages();
}

}  // namespace

int run_batch(const std::vector<std::string>& arguments) {
  const Command command = parse_command_line(arguments);
  std::string failure;
  switch (command.action) {
    case Command::Action::kHelp:
      if (!write_standard_output(help_text(), failure)) end_for_output(failure);
      return kExitAllGaveAddress;
    case Command::Action::kVersion:
      if (!write_standard_output(version_text(), failure)) end_for_output(failure);
      return kExitAllGaveAddress;
    case Command::Action::kUsageError:
      write_standard_error(usage_error_line(command.usage_error));
      return kExitUsage;
    case Command::Action::kRun:
      break;
  }

  catch_interrupt();
  PagesInOrder in_order;
  if (!read_sources(command.sources, in_order)) return kExitUsage;
  if (interruption() != 0) return interruption();

  OrderedOutput output(command.format,
                       ProgressLine(standard_error_is_terminal(), standard_output_is_terminal()));
  // What comes before standard input is there already; the rest comes on a
  // thread of its own, so Ctrl-C ends the batch even while it waits for input.
  std::size_t group = 0;
  for (; group < in_order.groups.size() && !in_order.groups[group].standard_input; ++group) {
    output.add(in_order.groups[group].pages);
  }
  std::size_t skipped = in_order.skipped;
  std::thread feeder([&, group] { feed(in_order, group, output, skipped); });
  const auto work = [&] {
    while (interruption() == 0) {
      const std::optional<std::pair<std::size_t, std::string>> page = output.take();
      if (!page) return;
      output.put(page->first, run_page(page->second, command));
    }
  };
  std::vector<std::thread> workers;
  for (int i = 0; i < command.jobs; ++i) workers.emplace_back(work);

  while (!output.wait_for_all(kPollInterval)) {
    if (interruption() != 0) output.end_now(interruption());
  }
  const std::size_t failed = output.finish();
  feeder.join();
  for (std::thread& worker : workers) worker.join();
  return failed == 0 && skipped == 0 ? kExitAllGaveAddress : kExitSomeFailed;
}
