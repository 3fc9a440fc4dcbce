// Binding the outside library entries: LoadLibraryEx over the search order of
// library_load_candidates (a bare name in the program's folder and the system
// directory, never the current directory or PATH; the table's system libraries
// in the system directory alone), GetProcAddress by name or "#n" ordinal, bound once.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

#include "common/text.h"
#include "common/win32/module.h"
#include "shell/outside_calls.h"

struct BoundEntry {
  Module library;
  FARPROC address = nullptr;
};

// One binding attempt outside the table: the first candidate that loads is the
// library; nothing when none loads or it lacks the entry (the library is then
// released again).
std::optional<BoundEntry> bind_entry(const Text& library, const Text& entry,
                                     const LibrarySearchPlaces& places);
// As bind_entry, but a failure is the program's fatal error with missing_entry_message.
BoundEntry bind_entry_or_fatal(const Text& library, const Text& entry, const LibrarySearchPlaces& places);

// The program's own places: no prefixes, and the directory of the program file.
LibrarySearchPlaces program_search_places();

// Table entries, bound at the first call and remembered until
// release_outside_libraries. A library or entry that cannot be found is a fatal error.
FARPROC outside_entry_address(OutsideEntry entry);
// Same, but a failure gives nullptr (and is tried again at the next call).
FARPROC outside_entry_address_or_null(OutsideEntry entry);
// The library bound for an entry; nullptr when the entry is not bound. Loads nothing.
HMODULE outside_entry_module(OutsideEntry entry);

// Typed calls through the table.
HRESULT outside_co_initialize(LPVOID reserved);
void outside_co_uninitialize();
int outside_multi_byte_to_wide_char(UINT code_page, DWORD flags, LPCCH source, int source_length,
                                    LPWSTR target, int target_length);
int outside_wide_char_to_multi_byte(UINT code_page, DWORD flags, LPCWCH source, int source_length,
                                    LPSTR target, int target_length, LPCCH default_char,
                                    LPBOOL used_default_char);
int outside_wide_char_to_multi_byte_second(UINT code_page, DWORD flags, LPCWCH source, int source_length,
                                           LPSTR target, int target_length, LPCCH default_char,
                                           LPBOOL used_default_char);
// SkinH_AttachRes; nothing when the engine library can't be loaded or lacks the
// entry (the window then simply stays unskinned).
std::optional<std::int32_t> outside_skin_attach_res(const std::uint8_t* skin, std::int32_t length,
                                                    const char* password, std::int32_t setting1,
                                                    std::int32_t setting2, std::int32_t setting3);
