// Binding the outside library entries: LoadLibraryEx over the search order of
// library_load_candidates (a bare name in the program's folder and the system
// directory, never the current directory or PATH), GetProcAddress, bound once.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

#include "shell/outside_calls.h"

// A table entry, bound at the first call and remembered until
// release_outside_libraries; nullptr when the library or the entry cannot be
// found (tried again at the next call).
FARPROC outside_entry_address(OutsideEntry entry);
// The library bound for an entry; nullptr when the entry is not bound. Loads nothing.
HMODULE outside_entry_module(OutsideEntry entry);

// SkinH_AttachRes; nothing when the engine library can't be loaded or lacks the
// entry (the window then simply stays unskinned).
std::optional<std::int32_t> outside_skin_attach_res(const std::uint8_t* skin, std::int32_t length,
                                                    const char* password, std::int32_t setting1,
                                                    std::int32_t setting2, std::int32_t setting3);
