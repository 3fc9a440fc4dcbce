// The table of outside library entries: each names a library file and an entry
// in it, and is bound at its first call. Binding itself is Win32 work
// (outside_calls_win32.h); the names and the search order are here.
#pragma once

#include <array>

#include "common/text_array.h"

enum class OutsideEntry : int {
  kSkinAttachRes = 0,
};
inline constexpr int kOutsideEntryCount = 1;

struct OutsideEntryName {
  const char* library;
  const char* entry;
};

const OutsideEntryName& outside_entry_name(OutsideEntry entry);

// The names to hand to the loader, in the order they are tried: a name holding
// ":" exactly as given; otherwise the program directory + "\" + name, then the
// bare name, which is searched in the program's folder and the system directory
// only. An empty program directory is not tried.
TextArray library_load_candidates(const Text& library, const Text& program_directory);

// The end sequence's step: releases every library loaded for outside calls and
// forgets their bindings. Safe to call more than once.
void release_outside_libraries();
