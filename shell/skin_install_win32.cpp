#include <windows.h>

#include <algorithm>
#include <string>

#include "common/codepage_win32.h"
#include "common/text_ops.h"
#include "common/win32/handle.h"
#include "common/win32/module.h"
#include "shell/outside_calls_win32.h"
#include "shell/skin_install.h"

namespace {

bool write_all(HANDLE file, ByteView bytes) {
  while (!bytes.empty()) {
    // WriteFile takes a 32-bit count: write large parts in pieces.
    const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), piece, &written, nullptr) || written == 0) return false;
    bytes = bytes.subspan(written);
  }
  return true;
}

// Writes the image beside its place and moves it there only once it is whole:
// a full disk or a start killed mid-write leaves no truncated engine that later
// starts would take for the real one, and a start that meets another's write
// finds either no file or a whole one. A file already at the path is kept.
void write_whole_file(const Text& path, ByteView image) {
  const Text part = text_concat({path, ".", Text(std::to_string(GetCurrentProcessId())), ".part"});
  const std::wstring part_path = gbk_to_wide(part);
  if (write_bytes_to_file(part, {image}) &&
      MoveFileExW(part_path.c_str(), gbk_to_wide(path).c_str(), MOVEFILE_WRITE_THROUGH)) {
    return;
  }
  DeleteFileW(part_path.c_str());
}

}  // namespace

ByteView skin_library_image() { return rcdata_resource(GetModuleHandleW(nullptr), L"SKIN_LIBRARY_IMAGE"); }

ByteView skin_data() { return rcdata_resource(GetModuleHandleW(nullptr), L"SKIN_DATA"); }

bool file_exists(const Text& path) {
  WIN32_FIND_DATAW found_data;
  const FindHandle search(FindFirstFileW(gbk_to_wide(path).c_str(), &found_data));
  return static_cast<bool>(search);
}

bool write_bytes_to_file(const Text& path, std::initializer_list<ByteView> parts) {
  if (path.empty()) return false;
  const Handle file(CreateFileW(gbk_to_wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  for (ByteView part : parts) {
    if (!write_all(file.get(), part)) return false;
  }
  return true;
}

std::int32_t attach_skin_with(const SkinLibraryFile& library_file, ByteView skin, const Text& password,
                              std::int32_t setting1, std::int32_t setting2, std::int32_t setting3) {
  // A failed write (a read-only system directory) is not fatal: the engine may
  // still be found by name elsewhere.
  if (!file_exists(library_file.path)) write_whole_file(library_file.path, library_file.image);
  const std::uint8_t* skin_bytes = skin.empty() ? nullptr : skin.data();
  const auto skin_length = static_cast<std::int32_t>(skin.size());
  const char* password_text = password.empty() ? nullptr : password.c_str();
  const auto result =
      outside_skin_attach_res(skin_bytes, skin_length, password_text, setting1, setting2, setting3);
  // Without the engine the window simply stays unskinned.
  return result.value_or(kSkinEngineUnavailable);
}

std::int32_t attach_skin(ByteView skin, const Text& password, std::int32_t setting1, std::int32_t setting2,
                         std::int32_t setting3) {
  return attach_skin_with(SkinLibraryFile{kSkinLibraryPath, skin_library_image()}, skin, password, setting1,
                          setting2, setting3);
}

void install_skin() { attach_skin(skin_data(), Text(), 0, 0, 0); }

void detach_skin() {
  HMODULE engine = outside_entry_module(OutsideEntry::kSkinAttachRes);
  if (engine == nullptr) return;
  using Detach = void(WINAPI*)();
  if (auto detach =
          reinterpret_cast<Detach>(reinterpret_cast<void*>(GetProcAddress(engine, "SkinH_Detach")))) {
    detach();
  }
}
