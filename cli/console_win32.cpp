#include <windows.h>

#include <atomic>
#include <cstdint>

#include "cli/console.h"
#include "common/codepage_win32.h"

namespace {

constexpr int kCtrlCStatus = 130;  // as a POSIX shell reports SIGINT

std::atomic<int> stop_status{0};

BOOL WINAPI note_interrupt(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  stop_status.store(kCtrlCStatus);
  return TRUE;
}

// The system's words for a Win32 error, on one line.
std::string error_text(DWORD error) {
  wchar_t* words = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      error, 0, reinterpret_cast<wchar_t*>(&words), 0, nullptr);
  std::string text = length != 0 ? from_wide(CP_UTF8, 0, std::wstring_view(words, length)) : std::string();
  LocalFree(words);
  while (!text.empty() &&
         (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.')) {
    text.pop_back();
  }
  return text.empty() ? "error " + std::to_string(error) : text;
}

// A console takes the text as UTF-16, so Chinese shows whatever its code page;
// a pipe or a file gets the UTF-8 bytes. 0, or the error of the write that failed.
DWORD write_to(DWORD which, std::string_view utf8) {
  HANDLE stream = GetStdHandle(which);
  if (stream == nullptr || stream == INVALID_HANDLE_VALUE || utf8.empty()) return 0;
  DWORD mode = 0;
  if (GetConsoleMode(stream, &mode)) {
    const std::wstring wide = to_wide(CP_UTF8, 0, utf8);
    DWORD written = 0;
    WriteConsoleW(stream, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return 0;
  }
  while (!utf8.empty()) {
    DWORD written = 0;
    if (!WriteFile(stream, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr))
      return GetLastError();
    if (written == 0) return ERROR_WRITE_FAULT;
    utf8.remove_prefix(written);
  }
  return 0;
}

bool is_console(DWORD which) {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(which), &mode) != 0;
}

HANDLE handle_of(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// One read into `block`: what it gave, 0 at the end, -1 when it failed.
long read_some(HANDLE from, char* block, DWORD size) {
  DWORD got = 0;
  if (ReadFile(from, block, size, &got, nullptr)) return static_cast<long>(got);
  // A pipe's writer that closed it is its end, not a failure.
  return GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
}

}  // namespace

bool write_standard_output(std::string_view utf8, std::string& failure) {
  const DWORD error = write_to(STD_OUTPUT_HANDLE, utf8);
  // A closed pipe (ERROR_NO_DATA while it closes): its reader wants no more.
  if (error != 0 && error != ERROR_NO_DATA && error != ERROR_BROKEN_PIPE) failure = error_text(error);
  return error == 0;
}
void write_standard_error(std::string_view utf8) { write_to(STD_ERROR_HANDLE, utf8); }

bool standard_output_is_terminal() { return is_console(STD_OUTPUT_HANDLE); }
bool standard_error_is_terminal() { return is_console(STD_ERROR_HANDLE); }

bool read_standard_input(std::string& bytes) {
  char block[65536];
  DWORD got = 0;
  // A pipe whose writer closed it fails with ERROR_BROKEN_PIPE: its end too.
  if (!ReadFile(GetStdHandle(STD_INPUT_HANDLE), block, sizeof block, &got, nullptr) || got == 0) return false;
  bytes.assign(block, got);
  return true;
}

ListFile::ListFile(const std::string& name)
    // Without FILE_FLAG_BACKUP_SEMANTICS a folder does not open.
    : handle_(reinterpret_cast<std::intptr_t>(CreateFileW(to_wide(CP_UTF8, 0, name).c_str(), GENERIC_READ,
                                                          FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                                          FILE_ATTRIBUTE_NORMAL, nullptr))) {}
ListFile::~ListFile() {
  if (opened()) CloseHandle(handle_of(handle_));
}
bool ListFile::opened() const { return handle_of(handle_) != INVALID_HANDLE_VALUE; }
bool ListFile::read(std::string& bytes) {
  char block[65536];
  const long got = read_some(handle_of(handle_), block, sizeof block);
  failed_ = got < 0;
  if (got <= 0) return false;
  bytes.assign(block, static_cast<std::size_t>(got));
  return true;
}

AppendFile::AppendFile(const std::string& name)
    : handle_(reinterpret_cast<std::intptr_t>(
          CreateFileW(to_wide(CP_UTF8, 0, name).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr))) {}
AppendFile::~AppendFile() {
  if (opened()) CloseHandle(handle_of(handle_));
}
bool AppendFile::opened() const { return handle_of(handle_) != INVALID_HANDLE_VALUE; }
std::optional<std::string> AppendFile::read_all() {
  std::string all;
  char block[65536];
  if (!SetFilePointerEx(handle_of(handle_), LARGE_INTEGER{}, nullptr, FILE_BEGIN)) return std::nullopt;
  for (;;) {
    const long got = read_some(handle_of(handle_), block, sizeof block);
    if (got < 0) return std::nullopt;
    if (got == 0) return all;
    all.append(block, static_cast<std::size_t>(got));
  }
}
bool AppendFile::cut(std::uint64_t size) {
  LARGE_INTEGER at{};
  at.QuadPart = static_cast<LONGLONG>(size);
  return SetFilePointerEx(handle_of(handle_), at, nullptr, FILE_BEGIN) && SetEndOfFile(handle_of(handle_));
}
bool AppendFile::append(std::string_view line, std::string& failure) {
  // The only writer: the end is where the last line stopped. One WriteFile
  // of the whole line; a short one (a full disk) leaves a torn line, which
  // the next start cuts away.
  DWORD written = 0;
  if (!SetFilePointerEx(handle_of(handle_), LARGE_INTEGER{}, nullptr, FILE_END) ||
      !WriteFile(handle_of(handle_), line.data(), static_cast<DWORD>(line.size()), &written, nullptr)) {
    failure = error_text(GetLastError());
    return false;
  }
  if (written == line.size()) return true;
  failure = error_text(ERROR_DISK_FULL);
  return false;
}

// Notepad and older tools save "ANSI" lists in the system's code page; a
// line of it that is not UTF-8 is read so.
std::optional<std::string> system_code_page_to_utf8(std::string_view bytes) {
  return from_wide(CP_UTF8, 0, to_wide(GetACP(), 0, bytes));
}

void catch_interrupt() { SetConsoleCtrlHandler(note_interrupt, TRUE); }
int interruption() { return stop_status.load(); }

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int index = 1; index < argc; ++index) arguments.push_back(from_wide(CP_UTF8, 0, argv[index]));
  return run_batch(arguments);
}
