// The batch program: pages in, one result line each, in input order, with
// up to --jobs exchanges in flight.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_set>
#include <vector>

#include "cli/batch.h"
#include "cli/console.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kPollInterval = std::chrono::milliseconds(50);
constexpr auto kProgressInterval = std::chrono::milliseconds(200);
// Pages read ahead of the oldest one not yet written, at most: what a list
// costs in memory whatever its length, with room enough that a slow page
// does not keep the workers idle for long.
constexpr std::size_t kMinWindow = 256;
constexpr std::size_t kWindowPerJob = 16;

// The lines of a list that are not UTF-8, told on standard error.
std::string not_utf8_lines(const std::string& list, const std::vector<std::size_t>& numbers) {
  std::string told;
  for (const std::size_t line : numbers) {
    told += message_line(list + ":" + std::to_string(line) + ": not UTF-8, skipped");
  }
  return told;
}

// The pages an archive names: its whole lines. A torn last line (a kill in
// the middle of its write) is cut away, so the next line starts on a line of
// its own; its page was not done and is fetched again.
std::optional<std::unordered_set<std::string>> read_archive(AppendFile& archive) {
  const std::optional<std::string> text = archive.read_all();
  if (!text) return std::nullopt;
  std::unordered_set<std::string> pages;
  std::size_t start = 0;
  for (std::size_t end = text->find('\n'); end != std::string::npos; end = text->find('\n', start)) {
    std::string_view line(text->data() + start, end - start);
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (!line.empty()) pages.emplace(line);
    start = end + 1;
  }
  if (start != text->size() && !archive.cut(start)) return std::nullopt;
  return pages;
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

  // `total`: the pages read so far, all of them once `all_read`.
  void show(std::size_t done, std::size_t total, bool all_read, std::size_t failed, std::size_t bytes,
            bool now = false) {
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
    const int length = std::snprintf(text, sizeof text, "%zu of %zu %s, %zu failed, %.1f %s", done, total,
                                     all_read ? "pages" : "read so far", failed, rate, unit);
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
// waits for another thread to be woken for it. Only the pages from the oldest
// not yet written to the newest read are held, at most `window` of them: the
// list's reader waits for room.
class OrderedOutput {
 public:
  OrderedOutput(OutputFormat format, ProgressLine progress, std::size_t window, AppendFile* archive)
      : format_(format), progress_(progress), window_(window), archive_(archive) {}

  // One more page, after those before; then the word that no more will come.
  void add(std::string page) {
    std::unique_lock lock(mutex_);
    room_.wait(lock, [&] { return slots_.size() < window_; });
    slots_.push_back({std::move(page), std::nullopt});
    ++read_;
    page_ready_.notify_one();
  }
  void end_of_pages() {
    const std::lock_guard lock(mutex_);
    pages_ended_ = true;
    page_ready_.notify_all();
    if (all_out()) all_written_.notify_all();
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
    page_ready_.wait(lock, [&] { return started_ < read_ || pages_ended_; });
    if (started_ == read_) return std::nullopt;
    const std::size_t index = started_++;
    return std::pair(index, slots_[index - written_].page);
  }

  void put(std::size_t index, PageResult result) {
    const std::lock_guard lock(mutex_);
    bytes_ += result.body_bytes;
    slots_[index - written_].result = std::move(result);
    const std::size_t before = written_;
    while (!slots_.empty() && slots_.front().result) {
      write_lines(*slots_.front().result, true);
      slots_.pop_front();
      ++written_;
    }
    if (written_ != before) room_.notify_one();
    if (all_out()) all_written_.notify_all();
  }

  // True once every line is out; false when `wait` ran out first, with the
  // progress line brought up to date.
  bool wait_for_all(std::chrono::milliseconds wait) {
    std::unique_lock lock(mutex_);
    if (all_written_.wait_for(lock, wait, [&] { return all_out(); })) return true;
    progress_.show(written_, read_, pages_ended_, failed_, bytes_);
    return false;
  }

  // Ctrl-C or SIGTERM: the pages done so far, and each one still in flight as
  // interrupted (and left out of the archive, to be fetched again), in input
  // order. With the lock kept no other line starts, so every line is whole;
  // the exchanges still waiting end with the process.
  [[noreturn]] void end_now(int code) {
    mutex_.lock();
    for (; written_ < started_; ++written_) {
      Slot& slot = slots_.front();
      if (slot.result) {
        write_lines(*slot.result, true);
      } else {
        PageResult interrupted;
        interrupted.page = std::move(slot.page);
        interrupted.error = "interrupted";
        write_lines(interrupted, false);
      }
      slots_.pop_front();
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
  struct Slot {
    std::string page;
    std::optional<PageResult> result;
  };

  bool all_out() const { return pages_ended_ && slots_.empty(); }

  void write_lines(const PageResult& result, bool done) {
    const OutputLines lines = format_result(format_, result);
    if (result.address.empty()) ++failed_;
    const bool made_room = progress_.make_room(lines);
    std::string failure;
    if (!write_standard_output(lines.out, failure)) {
      progress_.clear();
      end_for_output(failure);
    }
    write_standard_error(lines.err);
    // Only after its line: a page archived is a page whose line went out.
    if (done && archive_ != nullptr && !archive_->append(result.page + "\n", failure)) {
      progress_.clear();
      write_standard_error(message_line("cannot write the archive: " + failure));
      std::_Exit(kExitOutputFailed);
    }
    progress_.show(written_ + 1, read_, pages_ended_, failed_, bytes_, made_room);
  }

  std::mutex mutex_;
  std::condition_variable page_ready_;
  std::condition_variable room_;
  std::condition_variable all_written_;
  std::deque<Slot> slots_;  // the pages from written_ to read_
  bool pages_ended_ = false;
  const OutputFormat format_;
  ProgressLine progress_;
  const std::size_t window_;
  AppendFile* const archive_;
  std::size_t read_ = 0;
  std::size_t started_ = 0;
  std::size_t written_ = 0;
  std::size_t failed_ = 0;
  std::size_t bytes_ = 0;
};

// The pages of the command line in its order, each list read as its bytes
// come (standard input too, so the first pages are on their way while the
// list is still being written), those in the archive left out. Lines not
// UTF-8, and lists whose reading failed before their end, are counted in `skipped`.
class Feeder {
 public:
  Feeder(const std::vector<PageSource>& sources, std::vector<std::unique_ptr<ListFile>>& files,
         const std::unordered_set<std::string>& archived, OrderedOutput& output)
      : sources_(sources), files_(files), archived_(archived), output_(output) {}

  std::size_t skipped() const { return skipped_; }

  void run() {
    std::size_t file = 0;
    for (const PageSource& source : sources_) {
      switch (source.kind) {
        case PageSource::Kind::kPage:
          add(source.value);
          break;
        case PageSource::Kind::kFile: {
          // Closed once read.
          const std::unique_ptr<ListFile> list = std::move(files_[file++]);
          read_list(source.value, [&](std::string& bytes) { return list->read(bytes); });
          if (list->failed()) {
            output_.tell(message_line("cannot read '" + source.value + "' to its end"));
            ++skipped_;
          }
          break;
        }
        case PageSource::Kind::kStandardInput:
          read_list("standard input", [](std::string& bytes) { return read_standard_input(bytes); });
          break;
      }
    }
    output_.end_of_pages();
  }

 private:
  void add(const std::string& page) {
    if (!archived_.contains(page)) output_.add(page);
  }

  template <typename Read>
  void read_list(const std::string& name, Read read) {
    ListReader reader(system_code_page_to_utf8);
    std::string bytes;
    bool more = true;
    while (more) {
      ListLines lines;
      more = read(bytes);
      if (more) {
        reader.add(bytes, lines);
      } else {
        reader.finish(lines);
      }
      output_.tell(not_utf8_lines(name, lines.not_utf8));
      skipped_ += lines.not_utf8.size();
      for (const std::string& page : lines.pages) add(page);
    }
  }

  const std::vector<PageSource>& sources_;
  std::vector<std::unique_ptr<ListFile>>& files_;
  const std::unordered_set<std::string>& archived_;
  OrderedOutput& output_;
  std::size_t skipped_ = 0;
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
  // Every list opened now, so that one that cannot be read is a usage error
  // before any page; each is read as the pages go.
  std::vector<std::unique_ptr<ListFile>> files;
  for (const PageSource& source : command.sources) {
    if (source.kind != PageSource::Kind::kFile) continue;
    files.push_back(std::make_unique<ListFile>(source.value));
    if (!files.back()->opened()) {
      write_standard_error(usage_error_line("cannot read '" + source.value + "'"));
      return kExitUsage;
    }
  }
  std::optional<AppendFile> archive;
  std::unordered_set<std::string> archived;
  if (!command.archive.empty()) {
    archive.emplace(command.archive);
    std::optional<std::unordered_set<std::string>> pages;
    if (archive->opened()) pages = read_archive(*archive);
    if (!pages) {
      write_standard_error(usage_error_line("cannot read and add to the archive '" + command.archive + "'"));
      return kExitUsage;
    }
    archived = std::move(*pages);
  }
  if (interruption() != 0) return interruption();

  const std::size_t window = std::max(kMinWindow, kWindowPerJob * static_cast<std::size_t>(command.jobs));
  OrderedOutput output(command.format,
                       ProgressLine(standard_error_is_terminal(), standard_output_is_terminal()), window,
                       archive ? &*archive : nullptr);
  // The pages come on a thread of their own, so Ctrl-C ends the batch even
  // while it waits for input, or for room for more.
  Feeder feeder(command.sources, files, archived, output);
  std::thread feeding([&] { feeder.run(); });
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
  feeding.join();
  for (std::thread& worker : workers) worker.join();
  return failed == 0 && feeder.skipped() == 0 ? kExitAllGaveAddress : kExitSomeFailed;
}
