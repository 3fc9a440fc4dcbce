#include <malloc.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <fstream>
#include <iterator>

#include "cli/console.h"

namespace {

std::atomic<bool> interrupt_seen{false};

void note_interrupt(int) { interrupt_seen.store(true); }

void write_whole(int descriptor, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(descriptor, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written < 0 && errno == EPIPE) {
      // The reader has gone: end as a pipeline's writer ends.
      signal(SIGPIPE, SIG_DFL);
      raise(SIGPIPE);
    }
    if (written <= 0) return;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

}  // namespace

void write_standard_output(std::string_view utf8) { write_whole(STDOUT_FILENO, utf8); }
void write_standard_error(std::string_view utf8) { write_whole(STDERR_FILENO, utf8); }
bool standard_output_is_terminal() { return isatty(STDOUT_FILENO) == 1; }
bool standard_error_is_terminal() { return isatty(STDERR_FILENO) == 1; }

std::string read_standard_input() {
  std::string all;
  char block[65536];
  for (;;) {
    const ssize_t got = read(STDIN_FILENO, block, sizeof block);
    if (got < 0 && errno == EINTR && !interrupt_seen.load()) continue;
    if (got <= 0) return all;
    all.append(block, static_cast<std::size_t>(got));
  }
}

std::optional<std::string> read_file(const std::string& name) {
  std::ifstream file(name, std::ios::binary);
  if (!file) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void catch_interrupt() {
  struct sigaction action {};
  action.sa_handler = note_interrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  // Not from a socket: a reader that went away is seen at the write to it.
  signal(SIGPIPE, SIG_IGN);
}

bool interrupted() { return interrupt_seen.load(); }

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
