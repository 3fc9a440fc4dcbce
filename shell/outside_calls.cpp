#include "shell/outside_calls.h"

#include <charconv>

#include "common/text_ops.h"

namespace {

constexpr std::array<OutsideEntryName, kOutsideEntryCount> kTable = {{
    {"ole32.dll", "CoInitialize", true},
    {"ole32.dll", "CoUninitialize", true},
    {"kernel32.dll", "MultiByteToWideChar", true},
    {"kernel32.dll", "WideCharToMultiByte", true},
    {"kernel32.dll", "WideCharToMultiByte", true},
    {"SkinH_EL.dll", "SkinH_AttachRes", false},
}};

constexpr char kMissingLead[] =
    "\xCE\xDE\xB7\xA8\xD5\xD2\xB5\xBD\xD6\xB8\xB6\xA8"
    "DLL\xBF\xE2\xCE\xC4\xBC\xFE\xA1\xB0";  // 无法找到指定DLL库文件“
constexpr char kMissingMiddle[] =
    "\xA1\xB1\xD6\xD0\xB5\xC4\xCA\xE4\xB3\xF6\xC3\xFC\xC1\xEE\xA1\xB0";  // ”中的输出命令“
constexpr char kMissingEnd[] = "\xA1\xB1";                               // ”

}  // namespace

const std::array<OutsideEntryName, kOutsideEntryCount>& outside_entry_table() { return kTable; }

const OutsideEntryName& outside_entry_name(OutsideEntry entry) {
  return kTable.at(static_cast<std::size_t>(entry));
}

TextArray library_load_candidates(const Text& library, const LibrarySearchPlaces& places) {
  TextArray candidates;
  if (library.empty()) return candidates;
  if (text_find(library, ":") > 0) {
    candidates.append(library);
    return candidates;
  }
  if (!places.first_prefix.empty()) candidates.append(places.first_prefix + library);
  if (!places.program_directory.empty()) candidates.append(places.program_directory + "\\" + library);
  if (!places.second_prefix.empty()) candidates.append(places.second_prefix + library);
  candidates.append(library);
  return candidates;
}

TextArray outside_entry_candidates(const OutsideEntryName& name, const LibrarySearchPlaces& places) {
  if (name.system_library) return TextArray{name.library};
  return library_load_candidates(name.library, places);
}

std::optional<std::uint16_t> entry_ordinal(const Text& entry) {
  if (entry.length() < 2 || entry.byte_at(0) != '#') return std::nullopt;
  const char* first = entry.c_str() + 1;
  const char* last = entry.c_str() + entry.length();
  for (const char* digit = first; digit != last; ++digit) {
    if (*digit < '0' || *digit > '9') return std::nullopt;
  }
  unsigned value = 0;
  const auto [end, error] = std::from_chars(first, last, value);
  if (error != std::errc() || end != last || value < 1 || value > 0xFFFF) return std::nullopt;
  return static_cast<std::uint16_t>(value);
}

Text missing_entry_message(const Text& library, const Text& entry) {
  return Text(kMissingLead) + library + kMissingMiddle + entry + kMissingEnd;
}
