#include "shell/outside_calls_win32.h"

#include <string>

#include "common/codepage_win32.h"
#include "common/fatal.h"

LoadedLibrary& LoadedLibrary::operator=(LoadedLibrary&& other) noexcept {
  if (this != &other) {
    reset();
    module_ = other.release();
  }
  return *this;
}

HMODULE LoadedLibrary::release() {
  HMODULE module = module_;
  module_ = nullptr;
  return module;
}

void LoadedLibrary::reset() {
  if (module_ != nullptr) FreeLibrary(module_);
  module_ = nullptr;
}

namespace {

LoadedLibrary load_first_candidate(const Text& library, const LibrarySearchPlaces& places) {
  const TextArray candidates = library_load_candidates(library, places);
  for (const Text& candidate : candidates) {
    // The W call reads our code page 936 names correctly whatever the system code page.
    const std::wstring wide = local_to_wide(candidate);
    // No "cannot find the file" box from the system while we try the places in turn.
    const UINT previous_mode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE module = LoadLibraryW(wide.c_str());
    SetErrorMode(previous_mode);
    if (module != nullptr) return LoadedLibrary(module);
  }
  return LoadedLibrary();
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
  LoadedLibrary library;
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

}  // namespace

std::optional<BoundEntry> bind_entry(const Text& library, const Text& entry,
                                     const LibrarySearchPlaces& places) {
  LoadedLibrary loaded = load_first_candidate(library, places);
  if (!loaded) return std::nullopt;
  FARPROC address = find_entry(loaded.get(), entry);
  if (address == nullptr) return std::nullopt;  // `loaded` releases the library
  return BoundEntry{std::move(loaded), address};
}

BoundEntry bind_entry_or_fatal(const Text& library, const Text& entry, const LibrarySearchPlaces& places) {
  auto bound = bind_entry(library, entry, places);
  if (!bound) fatal_error(std::nullopt, missing_entry_message(library, entry));
  return std::move(*bound);
}

LibrarySearchPlaces program_search_places() {
  std::wstring file_name(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, file_name.data(), static_cast<DWORD>(file_name.size()));
    if (length == 0) return {};
    if (length < file_name.size()) {
      file_name.resize(length);
      break;
    }
    file_name.resize(file_name.size() * 2);
  }
  const auto last_backslash = file_name.find_last_of(L'\\');
  if (last_backslash == std::wstring::npos) return {};
  return LibrarySearchPlaces{{}, wide_to_local(std::wstring_view(file_name).substr(0, last_backslash)), {}};
}

FARPROC outside_entry_address(OutsideEntry entry) {
  TableSlot& slot = slot_of(entry);
  if (slot.address == nullptr) {
    const OutsideEntryName& name = outside_entry_name(entry);
    BoundEntry bound = bind_entry_or_fatal(name.library, name.entry, program_search_places());
    slot.library = std::move(bound.library);
    slot.address = bound.address;
  }
  return slot.address;
}

FARPROC outside_entry_address_or_null(OutsideEntry entry) {
  TableSlot& slot = slot_of(entry);
  if (slot.address == nullptr) {
    const OutsideEntryName& name = outside_entry_name(entry);
    auto bound = bind_entry(name.library, name.entry, program_search_places());
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
