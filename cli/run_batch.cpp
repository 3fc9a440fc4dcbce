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
#include <thread>
#include <vector>

#include "cli/batch.h"
#include "cli/console.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kPollInterval = std::chrono::milliseconds(50);
constexpr auto kProgressInterval = std::chrono::milliseconds(200);

// The pages named on the command line, lists read; false with the message
// written when a list cannot be read.
bool collect_pages(const std::vector<PageSource>& sources, std::vector<std::string>& pages) {
  for (const PageSource& source : sources) {
    switch (source.kind) {
      case PageSource::Kind::kPage:
        pages.push_back(source.value);
        break;
      case PageSource::Kind::kStandardInput:
        append_pages_of_list(read_standard_input(), pages);
        break;
      case PageSource::Kind::kFile: {
        const std::optional<std::string> list = read_file(source.value);
        if (!list) {
          write_standard_error(usage_error_line("cannot read '" + source.value + "'"));
          return false;
        }
        append_pages_of_list(*list, pages);
        break;
      }
    }
  }
  return true;
}

// The results as the workers finish them, handed to the writer in input order.
class ResultBoard {
 public:
  explicit ResultBoard(std::size_t count) : results_(count) {}

  void put(std::size_t index, PageResult result) {
    {
      const std::lock_guard lock(mutex_);
      bytes_ += result.body_bytes;
      results_[index] = std::move(result);
    }
    ready_.notify_one();
  }

  // The next result in order, once it is there; nullopt when the wait ended
  // first (to look at Ctrl-C and the progress line).
  std::optional<PageResult> next(std::size_t index, std::chrono::milliseconds wait) {
    std::unique_lock lock(mutex_);
    if (!ready_.wait_for(lock, wait, [&] { return results_[index].has_value(); })) return std::nullopt;
    return std::move(results_[index]);
  }

  std::size_t bytes() const {
    const std::lock_guard lock(mutex_);
    return bytes_;
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable ready_;
  std::vector<std::optional<PageResult>> results_;
  std::size_t bytes_ = 0;
};

class ProgressLine {
 public:
  ProgressLine(bool shown, std::size_t total) : shown_(shown), total_(total), started_(Clock::now()) {}

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
    char line[160];
    std::snprintf(line, sizeof line, "\r%zu of %zu pages, %zu failed, %.1f %s\x1B[K", done, total_, failed,
                  rate, unit);
    write_standard_error(line);
  }
  // Before any other line on standard error, and at the end.
  void clear() {
    if (shown_) write_standard_error("\r\x1B[K");
  }

 private:
  const bool shown_;
  const std::size_t total_;
  const Clock::time_point started_;
  Clock::time_point last_{};
};

}  // namespace

int run_batch(const std::vector<std::string>& arguments) {
  const Command command = parse_command_line(arguments);
  switch (command.action) {
    case Command::Action::kHelp:
      write_standard_output(help_text());
      return kExitAllGaveAddress;
    case Command::Action::kVersion:
      write_standard_output(version_text());
      return kExitAllGaveAddress;
    case Command::Action::kUsageError:
      write_standard_error(usage_error_line(command.usage_error));
      return kExitUsage;
    case Command::Action::kRun:
      break;
  }

  catch_interrupt();
  std::vector<std::string> pages;
  if (!collect_pages(command.sources, pages)) return kExitUsage;
  if (interrupted()) return kExitInterrupted;

  ResultBoard board(pages.size());
  std::atomic<std::size_t> next_page{0};
  const auto work = [&] {
    for (std::size_t index = next_page++; index < pages.size() && !interrupted(); index = next_page++) {
      board.put(index, run_page(pages[index]));
    }
  };
  const std::size_t worker_count =
      std::min<std::size_t>(static_cast<std::size_t>(command.jobs), pages.size());
  std::vector<std::thread> workers;
  for (std::size_t i = 0; i < worker_count; ++i) workers.emplace_back(work);

  ProgressLine progress(standard_error_is_terminal(), pages.size());
  std::size_t failed = 0;
  for (std::size_t index = 0; index < pages.size();) {
    if (interrupted()) {
      // Every line written so far is whole; the exchanges still waiting end
      // with the process.
      progress.clear();
      std::_Exit(kExitInterrupted);
    }
    std::optional<PageResult> result = board.next(index, kPollInterval);
    if (!result) {
      progress.show(index, failed, board.bytes());
      continue;
    }
    const OutputLines lines = format_result(command.format, *result);
    if (result->address.empty()) ++failed;
    if (!lines.err.empty()) progress.clear();
    write_standard_output(lines.out);
    write_standard_error(lines.err);
    ++index;
    progress.show(index, failed, board.bytes(), !lines.err.empty());
  }
  progress.clear();
  for (std::thread& worker : workers) worker.join();
  return failed == 0 ? kExitAllGaveAddress : kExitSomeFailed;
}
