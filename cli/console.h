// What the batch program needs of its platform: its arguments as UTF-8, its
// standard streams, whether standard error is a terminal, and Ctrl-C.
#pragma once

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
// All of a file; nullopt when it cannot be read.
std::optional<std::string> read_file(const std::string& name);
// A list's line that is not UTF-8 as the system's own code page reads it,
// where there is one (Windows: the ANSI code page); nullopt elsewhere.
std::optional<std::string> system_code_page_to_utf8(std::string_view bytes);

// From now on Ctrl-C (and SIGTERM) only raise the flag interruption() reads.
void catch_interrupt();
// 0, or the exit status the stop asks for (130 Ctrl-C, 143 SIGTERM).
int interruption();
