#include "common/win32/module.h"

bool restrict_library_search() { return SetDefaultDllDirectories(kLibrarySearchSafe) != FALSE; }

Module load_library(const std::wstring& name, DWORD search) {
  const UINT previous_mode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  Module module(LoadLibraryExW(name.c_str(), nullptr, search));
  SetErrorMode(previous_mode);
  return module;
}

std::wstring program_folder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    // A full buffer means the name may have been cut: grow and ask again.
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  const auto last_backslash = path.find_last_of(L'\\');
  if (last_backslash == std::wstring::npos) return {};
  path.resize(last_backslash);
  return path;
}

std::span<const std::uint8_t> rcdata_resource(HMODULE module, const wchar_t* name) {
  HRSRC found = FindResourceW(module, name, MAKEINTRESOURCEW(10));  // RT_RCDATA
  if (found == nullptr) return {};
  HGLOBAL loaded = LoadResource(module, found);
  const DWORD size = SizeofResource(module, found);
  if (loaded == nullptr || size == 0) return {};
  // Resource memory is never freed or unlocked: it is the module's mapped image.
  const void* bytes = LockResource(loaded);
  if (bytes == nullptr) return {};
  return {static_cast<const std::uint8_t*>(bytes), size};
}
