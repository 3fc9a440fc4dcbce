#include <fcntl.h>
#include <malloc.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "cli/console.h"

namespace {

std::atomic<int> stop_status{0};

// As a shell reports a process the signal ended: 128 + its number.
void note_signal(int signal) { stop_status.store(128 + signal); }

// 0, or errno of the write that failed.
int write_whole(int descriptor, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(descriptor, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written < 0 && errno == EPIPE) {
      // The reader has gone: end as a pipeline's writer ends.
      signal(SIGPIPE, SIG_DFL);
      raise(SIGPIPE);
    }
    if (written < 0) return errno;
    if (written == 0) return EIO;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return 0;
}

// One read of up to `size` bytes into `block`: what it gave, 0 at the end, -1 when it failed.
ssize_t read_some(int descriptor, char* block, std::size_t size) {
  for (;;) {
    const ssize_t got = read(descriptor, block, size);
    if (got < 0 && errno == EINTR && stop_status.load() == 0) continue;
    return got;
  }
}

}  // namespace

bool write_standard_output(std::string_view utf8, std::string& failure) {
  const int error = write_whole(STDOUT_FILENO, utf8);
  if (error != 0) failure = std::strerror(error);
  return error == 0;
}
void write_standard_error(std::string_view utf8) { write_whole(STDERR_FILENO, utf8); }
bool standard_output_is_terminal() { return isatty(STDOUT_FILENO) == 1; }
bool standard_error_is_terminal() { return isatty(STDERR_FILENO) == 1; }

bool read_standard_input(std::string& bytes) {
  char block[65536];
  for (;;) {
    const ssize_t got = read(STDIN_FILENO, block, sizeof block);
    if (got < 0 && errno == EINTR && stop_status.load() == 0) continue;
    if (got <= 0) return false;
    bytes.assign(block, static_cast<std::size_t>(got));
    return true;
  }
}

ListFile::ListFile(const std::string& name) : handle_(open(name.c_str(), O_RDONLY | O_CLOEXEC)) {
  struct stat status {};
  // A folder opens, and fails only at its first read: it is no list.
  if (handle_ >= 0 && (fstat(static_cast<int>(handle_), &status) != 0 || S_ISDIR(status.st_mode))) {
    close(static_cast<int>(handle_));
    handle_ = -1;
  }
}
ListFile::~ListFile() {
  if (handle_ >= 0) close(static_cast<int>(handle_));
}
bool ListFile::opened() const { return handle_ >= 0; }
bool ListFile::read(std::string& bytes) {
  char block[65536];
  const ssize_t got = read_some(static_cast<int>(handle_), block, sizeof block);
  failed_ = got < 0;
  if (got <= 0) return false;
  bytes.assign(block, static_cast<std::size_t>(got));
  return true;
}

AppendFile::AppendFile(const std::string& name)
    : handle_(open(name.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0666)) {}
AppendFile::~AppendFile() {
  if (handle_ >= 0) close(static_cast<int>(handle_));
}
bool AppendFile::opened() const { return handle_ >= 0; }
std::optional<std::string> AppendFile::read_all() {
  std::string all;
  char block[65536];
  if (lseek(static_cast<int>(handle_), 0, SEEK_SET) != 0) return std::nullopt;
  for (;;) {
    const ssize_t got = read_some(static_cast<int>(handle_), block, sizeof block);
    if (got < 0) return std::nullopt;
    if (got == 0) return all;
    all.append(block, static_cast<std::size_t>(got));
  }
}
bool AppendFile::cut(std::uint64_t size) {
  return ftruncate(static_cast<int>(handle_), static_cast<off_t>(size)) == 0;
}
bool AppendFile::append(std::string_view line, std::string& failure) {
  // O_APPEND puts each write at the end as one piece; a short one (a full
  // disk) leaves a torn line, which the next start cuts away.
  const ssize_t written = write(static_cast<int>(handle_), line.data(), line.size());
  if (written == static_cast<ssize_t>(line.size())) return true;
  failure = written < 0 ? std::strerror(errno) : std::strerror(ENOSPC);
  return false;
}

// Linux lists are UTF-8; a line that is not is reported, not guessed at.
std::optional<std::string> system_code_page_to_utf8(std::string_view) { return std::nullopt; }

void catch_interrupt() {
  struct sigaction action {};
  action.sa_handler = note_signal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  // Not from a socket: a reader that went away is seen at the write to it.
  signal(SIGPIPE, SIG_IGN);
}

int interruption() { return stop_status.load(); }

int main(int argc, char** argv) {
#ifdef __GLIBC__
  // Each page's buffers are freed and asked for again a moment later: handing
  // them back to the system each time (trimmed, or mapped and unmapped) costs
  // a page fault per 4 KiB, three times the rest of the work. Buffers of
  // large pages still go back at once.
  mallopt(M_MMAP_THRESHOLD, 4 << 20);
  mallopt(M_TRIM_THRESHOLD, 32 << 20);
#endif
  return run_batch(std::vector<std::string>(argv + 1, argv + argc));
}
