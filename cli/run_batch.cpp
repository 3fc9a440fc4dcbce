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

// A list's pages; each line that is not UTF-8 told on standard error and
// counted in `skipped`, never fetched.
void append_list(const std::string& name, std::string_view bytes, std::vector<std::string>& pages,
                 std::size_t& skipped) {
  std::string text = list_text(bytes);
  if (!is_utf8(text)) text = system_code_page_to_utf8(text).value_or(text);
  std::vector<std::size_t> not_utf8;
  append_pages_of_list(text, pages, not_utf8);
  for (const std::size_t line : not_utf8) {
    write_standard_error(message_line(name + ":" + std::to_string(line) + ": not UTF-8, skipped"));
  }
  skipped += not_utf8.size();
}

// The pages named on the command line, lists read; false with the message
// written when a list cannot be read.
bool collect_pages(const std::vector<PageSource>& sources, std::vector<std::string>& pages,
                   std::size_t& skipped) {
  for (const PageSource& source : sources) {
    switch (source.kind) {
      case PageSource::Kind::kPage:
        pages.push_back(source.value);
        break;
      case PageSource::Kind::kStandardInput:
        append_list("standard input", read_standard_input(), pages, skipped);
        break;
      case PageSource::Kind::kFile: {
        const std::optional<std::string> list = read_file(source.value);
        if (!list) {
          write_standard_error(usage_error_line("cannot read '" + source.value + "'"));
          return false;
        }
        append_list(source.value, *list, pages, skipped);
        break;
      }
    }
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
  ProgressLine(bool shown, bool output_on_screen, std::size_t total)
      : shown_(shown), output_on_screen_(output_on_screen), total_(total), started_(Clock::now()) {}

  void show(std::size_t done, std::size_t failed, std::size_t bytes, bool now = false) {
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
    const int length = std::snprintf(text, sizeof text, "%zu of %zu pages, %zu failed, %.1f %s", done, total_,
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
  const std::size_t total_;
  const Clock::time_point started_;
  Clock::time_point last_{};
};

// The results as the workers finish them, written in input order. Whichever
// worker completes the next page writes its lines and those of the pages
// after it that are done already, so no line waits for another thread to be
// woken for it.
class OrderedOutput {
 public:
  OrderedOutput(std::vector<std::string> pages, OutputFormat format, ProgressLine progress)
      : pages_(std::move(pages)), results_(pages_.size()), format_(format), progress_(progress) {}

  // The next page for a worker, now in flight; nullopt when none is left.
  std::optional<std::size_t> take() {
    const std::lock_guard lock(mutex_);
    if (started_ == pages_.size()) return std::nullopt;
    return started_++;
  }
  const std::string& page(std::size_t index) const { return pages_[index]; }

  void put(std::size_t index, PageResult result) {
    const std::lock_guard lock(mutex_);
    bytes_ += result.body_bytes;
    results_[index] = std::move(result);
    for (; written_ < results_.size() && results_[written_].has_value(); ++written_) {
      write_lines(*results_[written_]);
      results_[written_].reset();
    }
    if (written_ == results_.size()) all_written_.notify_all();
  }

  // True once every line is out; false when `wait` ran out first, with the
  // progress line brought up to date.
  bool wait_for_all(std::chrono::milliseconds wait) {
    std::unique_lock lock(mutex_);
    if (all_written_.wait_for(lock, wait, [&] { return written_ == results_.size(); })) return true;
    progress_.show(written_, failed_, bytes_);
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
    progress_.show(written_ + 1, failed_, bytes_, made_room);
  }

  std::mutex mutex_;
  std::condition_variable all_written_;
  const std::vector<std::string> pages_;
  std::vector<std::optional<PageResult>> results_;
  const OutputFormat format_;
  ProgressLine progress_;
  std::size_t started_ = 0;
  std::size_t written_ = 0;
  std::size_t failed_ = 0;
  std::size_t bytes_ = 0;
};

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
  std::vector<std::string> pages;
  std::size_t skipped = 0;
  if (!collect_pages(command.sources, pages, skipped)) return kExitUsage;
  if (interruption() != 0) return interruption();

  const std::size_t page_count = pages.size();
  OrderedOutput output(std::move(pages), command.format,
                       ProgressLine(standard_error_is_terminal(), standard_output_is_terminal(), page_count));
  const auto work = [&] {
    while (interruption() == 0) {
      const std::optional<std::size_t> index = output.take();
      if (!index) return;
      output.put(*index, run_page(output.page(*index), command));
    }
  };
  const std::size_t worker_count = std::min<std::size_t>(static_cast<std::size_t>(command.jobs), page_count);
  std::vector<std::thread> workers;
  for (std::size_t i = 0; i < worker_count; ++i) workers.emplace_back(work);

  while (!output.wait_for_all(kPollInterval)) {
    if (interruption() != 0) output.end_now(interruption());
  }
  const std::size_t failed = output.finish();
  for (std::thread& worker : workers) worker.join();
  return failed == 0 && skipped == 0 ? kExitAllGaveAddress : kExitSomeFailed;
}
