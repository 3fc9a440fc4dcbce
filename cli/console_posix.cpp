#include <fcntl.h>
#include <malloc.h>
#include <signal.h>
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

// All a descriptor gives; nullopt when a read fails (a folder too).
std::optional<std::string> read_all(int descriptor) {
  std::string all;
  char block[65536];
  for (;;) {
    const ssize_t got = read(descriptor, block, sizeof block);
    if (got < 0 && errno == EINTR && stop_status.load() == 0) continue;
    if (got < 0) return std::nullopt;
    if (got == 0) return all;
    all.append(block, static_cast<std::size_t>(got));
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

std::optional<std::string> read_file(const std::string& name) {
  const int file = open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (file < 0) return std::nullopt;
  std::optional<std::string> all = read_all(file);
  close(file);
  return all;
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
