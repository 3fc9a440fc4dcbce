#include "shell/outside_calls_win32.h"

#include <string>

#include "common/codepage_win32.h"
#include "common/win32/module.h"

namespace {

struct TableSlot {
  Module library;
  FARPROC address = nullptr;
};

std::array<TableSlot, kOutsideEntryCount>& table_slots() {
  static std::array<TableSlot, kOutsideEntryCount> slots;
  return slots;
}

TableSlot& slot_of(OutsideEntry entry) { return table_slots().at(static_cast<std::size_t>(entry)); }

// The first candidate that loads is the library; nothing when none loads or it
// lacks the entry (the library is then released again).
TableSlot bind(const OutsideEntryName& name) {
  const TextArray candidates = library_load_candidates(name.library, wide_to_gbk(program_folder()));
  for (const Text& candidate : candidates) {
    // The W call reads our code page 936 names correctly whatever the system code page.
    Module module = load_library(gbk_to_wide(candidate), kLibrarySearchSafe);
    if (!module) continue;
    FARPROC address = GetProcAddress(module.get(), name.entry);
    if (address == nullptr) return {};
    return {std::move(module), address};
  }
  return {};
}

}  // namespace

FARPROC outside_entry_address(OutsideEntry entry) {
  TableSlot& slot = slot_of(entry);
  if (slot.address == nullptr) slot = bind(outside_entry_name(entry));
  return slot.address;
}

HMODULE outside_entry_module(OutsideEntry entry) { return slot_of(entry).library.get(); }

void release_outside_libraries() {
  for (TableSlot& slot : table_slots()) {
    slot.address = nullptr;
    slot.library.reset();
  }
}

std::optional<std::int32_t> outside_skin_attach_res(const std::uint8_t* skin, std::int32_t length,
                                                    const char* password, std::int32_t setting1,
                                                    std::int32_t setting2, std::int32_t setting3) {
  using Function = int(WINAPI*)(const std::uint8_t*, int, const char*, int, int, int);
  FARPROC address = outside_entry_address(OutsideEntry::kSkinAttachRes);
  if (address == nullptr) return std::nullopt;
  auto attach = reinterpret_cast<Function>(reinterpret_cast<void*>(address));
  return attach(skin, length, password, setting1, setting2, setting3);
}
