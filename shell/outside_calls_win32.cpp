#include "shell/outside_calls_win32.h"

#include <string>

#include "common/codepage_win32.h"
#include "common/fatal.h"

namespace {

Module load_first_candidate(const TextArray& candidates, DWORD search) {
  for (const Text& candidate : candidates) {
    // The W call reads our code page 936 names correctly whatever the system code page.
    Module module = load_library(gbk_to_wide(candidate), search);
    if (module) return module;
  }
  return Module();
}

FARPROC find_entry(HMODULE module, const Text& entry) {
  if (entry.empty()) return nullptr;
  if (entry.byte_at(0) == '#') {
    const auto ordinal = entry_ordinal(entry);
    if (!ordinal) return nullptr;
    return GetProcAddress(module, MAKEINTRESOURCEA(*ordinal));
  }
  return GetProcAddress(module, entry.c_str());
}

struct TableSlot {
  Module library;
  FARPROC address = nullptr;
};

std::array<TableSlot, kOutsideEntryCount>& table_slots() {
  static std::array<TableSlot, kOutsideEntryCount> slots;
  return slots;
}

TableSlot& slot_of(OutsideEntry entry) { return table_slots().at(static_cast<std::size_t>(entry)); }

template <typename Function>
Function entry_as(OutsideEntry entry) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(outside_entry_address(entry)));
}

std::optional<BoundEntry> bind_candidates(const TextArray& candidates, const Text& entry, DWORD search) {
  Module loaded = load_first_candidate(candidates, search);
  if (!loaded) return std::nullopt;
  FARPROC address = find_entry(loaded.get(), entry);
  if (address == nullptr) return std::nullopt;  // `loaded` releases the library
  return BoundEntry{std::move(loaded), address};
}

// A table entry: a system library from the system directory alone.
std::optional<BoundEntry> bind_table_entry(OutsideEntry entry) {
  const OutsideEntryName& name = outside_entry_name(entry);
  const DWORD search = name.system_library ? kLibrarySearchSystem : kLibrarySearchSafe;
  return bind_candidates(outside_entry_candidates(name, program_search_places()), name.entry, search);
}

}  // namespace

std::optional<BoundEntry> bind_entry(const Text& library, const Text& entry,
                                     const LibrarySearchPlaces& places) {
  return bind_candidates(library_load_candidates(library, places), entry, kLibrarySearchSafe);
}

BoundEntry bind_entry_or_fatal(const Text& library, const Text& entry, const LibrarySearchPlaces& places) {
  auto bound = bind_entry(library, entry, places);
  if (!bound) fatal_error(std::nullopt, missing_entry_message(library, entry));
  return std::move(*bound);
}

LibrarySearchPlaces program_search_places() {
  return LibrarySearchPlaces{{}, wide_to_gbk(program_folder()), {}};
}

FARPROC outside_entry_address(OutsideEntry entry) {
  TableSlot& slot = slot_of(entry);
  if (slot.address == nullptr) {
    auto bound = bind_table_entry(entry);
    if (!bound) {
      const OutsideEntryName& name = outside_entry_name(entry);
      fatal_error(std::nullopt, missing_entry_message(name.library, name.entry));
    }
    slot.library = std::move(bound->library);
    slot.address = bound->address;
  }
  return slot.address;
}

FARPROC outside_entry_address_or_null(OutsideEntry entry) {
  TableSlot& slot = slot_of(entry);
  if (slot.address == nullptr) {
    auto bound = bind_table_entry(entry);
    if (!bound) return nullptr;
    slot.library = std::move(bound->library);
    slot.address = bound->address;
  }
  return slot.address;
}

HMODULE outside_entry_module(OutsideEntry entry) { return slot_of(entry).library.get(); }

void release_outside_libraries() {
  for (TableSlot& slot : table_slots()) {
    slot.address = nullptr;
    slot.library.reset();
  }
}

HRESULT outside_co_initialize(LPVOID reserved) {
  return entry_as<HRESULT(WINAPI*)(LPVOID)>(OutsideEntry::kCoInitialize)(reserved);
}

void outside_co_uninitialize() { entry_as<void(WINAPI*)()>(OutsideEntry::kCoUninitialize)(); }

int outside_multi_byte_to_wide_char(UINT code_page, DWORD flags, LPCCH source, int source_length,
                                    LPWSTR target, int target_length) {
  using Function = int(WINAPI*)(UINT, DWORD, LPCCH, int, LPWSTR, int);
  return entry_as<Function>(OutsideEntry::kMultiByteToWideChar)(code_page, flags, source, source_length,
                                                                target, target_length);
}

namespace {
using WideToMultiByte = int(WINAPI*)(UINT, DWORD, LPCWCH, int, LPSTR, int, LPCCH, LPBOOL);
}

int outside_wide_char_to_multi_byte(UINT code_page, DWORD flags, LPCWCH source, int source_length,
                                    LPSTR target, int target_length, LPCCH default_char,
                                    LPBOOL used_default_char) {
  return entry_as<WideToMultiByte>(OutsideEntry::kWideCharToMultiByte)(
      code_page, flags, source, source_length, target, target_length, default_char, used_default_char);
}

int outside_wide_char_to_multi_byte_second(UINT code_page, DWORD flags, LPCWCH source, int source_length,
                                           LPSTR target, int target_length, LPCCH default_char,
                                           LPBOOL used_default_char) {
  return entry_as<WideToMultiByte>(OutsideEntry::kWideCharToMultiByteSecond)(
      code_page, flags, source, source_length, target, target_length, default_char, used_default_char);
}

std::optional<std::int32_t> outside_skin_attach_res(const std::uint8_t* skin, std::int32_t length,
                                                    const char* password, std::int32_t setting1,
                                                    std::int32_t setting2, std::int32_t setting3) {
  using Function = int(WINAPI*)(const std::uint8_t*, int, const char*, int, int, int);
  FARPROC address = outside_entry_address_or_null(OutsideEntry::kSkinAttachRes);
  if (address == nullptr) return std::nullopt;
  auto attach = reinterpret_cast<Function>(reinterpret_cast<void*>(address));
  return attach(skin, length, password, setting1, setting2, setting3);
}
