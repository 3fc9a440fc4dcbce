// The table of outside library entries: each names a library file and an entry
// in it, and is bound at its first call. Binding itself is Win32 work
// (outside_calls_win32.h); the names, the search order and the texts are here.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "common/text_array.h"

enum class OutsideEntry : int {
  kCoInitialize = 0,
  kCoUninitialize = 1,
  kMultiByteToWideChar = 2,
  kWideCharToMultiByte = 3,
  kWideCharToMultiByteSecond = 4,
  kSkinAttachRes = 5,
};
inline constexpr int kOutsideEntryCount = 6;

struct OutsideEntryName {
  const char* library;
  // An entry name that begins with "#" is an ordinal number ("#12").
  const char* entry;
  // A library of the system itself: loaded from the system directory only, so a
  // file of that name beside the program is never taken for it.
  bool system_library;
};

const std::array<OutsideEntryName, kOutsideEntryCount>& outside_entry_table();
const OutsideEntryName& outside_entry_name(OutsideEntry entry);

// Where a library name without ":" is looked for. Both prefixes are optional
// (empty means "not tried").
struct LibrarySearchPlaces {
  Text first_prefix;
  Text program_directory;
  Text second_prefix;
};

// The names to hand to the loader, in the order they are tried: a name holding
// ":" exactly as given; otherwise first prefix + name, program directory + "\" +
// name, second prefix + name, then the bare name, which is searched in the
// program's folder and the system directory only.
TextArray library_load_candidates(const Text& library, const LibrarySearchPlaces& places);

// The names to try for a table entry: a system library by its bare name alone
// (searched in the system directory), any other as library_load_candidates says.
TextArray outside_entry_candidates(const OutsideEntryName& name, const LibrarySearchPlaces& places);

// "#n" with n from 1 to 65535 gives n; any other name gives nothing.
std::optional<std::uint16_t> entry_ordinal(const Text& entry);

// "无法找到指定DLL库文件“%s”中的输出命令“%s”" with the library and entry names filled in.
Text missing_entry_message(const Text& library, const Text& entry);

// The end sequence's step: releases every library loaded for outside calls and
// forgets their bindings. Safe to call more than once.
void release_outside_libraries();
