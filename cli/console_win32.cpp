#include <windows.h>

#include <atomic>
#include <fstream>
#include <iterator>

#include "cli/console.h"
#include "common/codepage_win32.h"

namespace {

std::atomic<bool> interrupt_seen{false};

BOOL WINAPI note_interrupt(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  interrupt_seen.store(true);
  return TRUE;
}

// A console takes the text as UTF-16, so Chinese shows whatever its code page;
// a pipe or a file gets the UTF-8 bytes.
void write_to(DWORD which, std::string_view utf8) {
  HANDLE stream = GetStdHandle(which);
  if (stream == nullptr || stream == INVALID_HANDLE_VALUE) return;
  DWORD mode = 0;
  if (GetConsoleMode(stream, &mode)) {
    const std::wstring wide = to_wide(CP_UTF8, 0, utf8);
    DWORD written = 0;
    WriteConsoleW(stream, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  while (!utf8.empty()) {
    DWORD written = 0;
    if (!WriteFile(stream, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr) || written == 0)
      return;
    utf8.remove_prefix(written);
  }
}

std::string utf8_of(const wchar_t* wide) { return from_wide(CP_UTF8, 0, wide); }

bool is_console(DWORD which) {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(which), &mode) != 0;
}

}  // namespace

void write_standard_output(std::string_view utf8) { write_to(STD_OUTPUT_HANDLE, utf8); }
void write_standard_error(std::string_view utf8) { write_to(STD_ERROR_HANDLE, utf8); }

bool standard_output_is_terminal() { return is_console(STD_OUTPUT_HANDLE); }
bool standard_error_is_terminal() { return is_console(STD_ERROR_HANDLE); }

std::string read_standard_input() {
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  std::string all;
  char block[65536];
  DWORD got = 0;
  while (ReadFile(input, block, sizeof block, &got, nullptr) && got > 0) all.append(block, got);
  return all;
}

std::optional<std::string> read_file(const std::string& name) {
  std::ifstream file(to_wide(CP_UTF8, 0, name).c_str(), std::ios::binary);
  if (!file) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void catch_interrupt() { SetConsoleCtrlHandler(note_interrupt, TRUE); }
bool interrupted() { return interrupt_seen.load(); }

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int index = 1; index < argc; ++index) arguments.push_back(utf8_of(argv[index]));
  return run_batch(arguments);
}
