// What the batch program needs of its platform: its arguments as UTF-8, its
// standard streams, whether standard error is a terminal, and Ctrl-C.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The portable program; each platform's entry point calls it.
int run_batch(const std::vector<std::string>& arguments);

// Writes UTF-8 text whole (a console shows it through its wide API).
void write_standard_output(std::string_view utf8);
void write_standard_error(std::string_view utf8);
bool standard_output_is_terminal();
bool standard_error_is_terminal();

// All of standard input, or of a file; nullopt when it cannot be read.
std::string read_standard_input();
std::optional<std::string> read_file(const std::string& name);

// From now on Ctrl-C only raises the flag that interrupted() reads.
void catch_interrupt();
bool interrupted();
