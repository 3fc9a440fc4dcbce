// What the batch program needs of its platform: its arguments as UTF-8, its
// standard streams, whether standard error is a terminal, and Ctrl-C.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The portable program; each platform's entry point calls it.
int run_batch(const std::vector<std::string>& arguments);

// Writes UTF-8 text whole (a console shows it through its wide API). False
// when standard output cannot take it, with why in `failure`: empty when its
// reader has gone and, as pipelines go, there is nothing to say.
bool write_standard_output(std::string_view utf8, std::string& failure);
void write_standard_error(std::string_view utf8);
bool standard_output_is_terminal();
bool standard_error_is_terminal();

// The next bytes of standard input as they come (whatever one read gives);
// false at its end, when it fails, or once stopped.
bool read_standard_input(std::string& bytes);

// A list file read as its bytes come, so that no list is ever held whole.
class ListFile {
 public:
  // opened() is false for a file that is missing, a folder, or not ours to read.
  explicit ListFile(const std::string& name);
  ~ListFile();
  ListFile(const ListFile&) = delete;
  ListFile& operator=(const ListFile&) = delete;

  bool opened() const;
  // The next bytes; false at its end or when a read fails (failed() then).
  bool read(std::string& bytes);
  bool failed() const { return failed_; }

 private:
  std::intptr_t handle_;
  bool failed_ = false;
};

// A file of lines that only grows, each line added by one write of all of it
// at the end, so that a process killed at any moment leaves whole lines and
// at most one torn last line.
class AppendFile {
 public:
  // Opened for reading and appending; created when missing.
  explicit AppendFile(const std::string& name);
  ~AppendFile();
  AppendFile(const AppendFile&) = delete;
  AppendFile& operator=(const AppendFile&) = delete;

  bool opened() const;
  // All of it so far; nullopt when it cannot be read.
  std::optional<std::string> read_all();
  // Cut back to its first `size` bytes.
  bool cut(std::uint64_t size);
  // False, with why in `failure`, when the line could not be added whole.
  bool append(std::string_view line, std::string& failure);

 private:
  std::intptr_t handle_;
};
// A list's line that is not UTF-8 as the system's own code page reads it,
// where there is one (Windows: the ANSI code page); nullopt elsewhere.
std::optional<std::string> system_code_page_to_utf8(std::string_view bytes);

// From now on Ctrl-C (and SIGTERM) only raise the flag interruption() reads.
void catch_interrupt();
// 0, or the exit status the stop asks for (130 Ctrl-C, 143 SIGTERM).
int interruption();
