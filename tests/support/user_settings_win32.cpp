#include "tests/support/user_settings_win32.h"

#include <cstring>

#include "tests/support/wine_win32.h"

std::optional<std::wstring> user_text(const std::wstring& key, const std::wstring& name) {
  wchar_t value[2048];
  DWORD size = sizeof value;
  if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, value, &size) !=
      ERROR_SUCCESS)
    return std::nullopt;
  return std::wstring(value);
}

std::optional<DWORD> user_number(const std::wstring& key, const std::wstring& name) {
  DWORD value = 0;
  DWORD size = sizeof value;
  if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str(), RRF_RT_REG_DWORD, nullptr, &value, &size) !=
      ERROR_SUCCESS)
    return std::nullopt;
  return value;
}

bool user_key_exists(const std::wstring& key) {
  HKEY opened = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
  RegCloseKey(opened);
  return true;
}

namespace {

// One value per changed setting, named "key|name": the process that changed it
// first, then the setting as it was (its type, or kAbsent, and its bytes).
constexpr wchar_t kJournal[] = L"Software\\Tarnvex tests\\Changed settings";
constexpr DWORD kAbsent = 0xFFFFFFFF;

std::vector<BYTE> read_value(const wchar_t* key, const wchar_t* name, DWORD type_prefix_bytes) {
  DWORD type = 0;
  DWORD size = 0;
  const DWORD flags = RRF_RT_ANY | RRF_NOEXPAND;
  std::vector<BYTE> bytes(type_prefix_bytes + sizeof(DWORD));
  if (RegGetValueW(HKEY_CURRENT_USER, key, name, flags, &type, nullptr, &size) == ERROR_SUCCESS) {
    bytes.resize(type_prefix_bytes + sizeof(DWORD) + size);
    RegGetValueW(HKEY_CURRENT_USER, key, name, flags, &type, bytes.data() + type_prefix_bytes + sizeof(DWORD),
                 &size);
    bytes.resize(type_prefix_bytes + sizeof(DWORD) + size);
  } else {
    type = kAbsent;
  }
  std::memcpy(bytes.data() + type_prefix_bytes, &type, sizeof type);
  return bytes;
}

// `saved` is a type and the bytes after it, as read_value gives them.
void write_back(const std::wstring& key, const std::wstring& name, const BYTE* saved, std::size_t size) {
  DWORD type = kAbsent;
  std::memcpy(&type, saved, sizeof type);
  if (type == kAbsent) {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str());
  } else {
    RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str(), type, saved + sizeof type,
                    static_cast<DWORD>(size - sizeof type));
  }
}

std::wstring journal_name(const std::wstring& key, const std::wstring& name) { return key + L"|" + name; }

// Puts the journalled setting back and forgets it.
void restore_journalled(const std::wstring& entry) {
  const std::vector<BYTE> saved = read_value(kJournal, entry.c_str(), 0);
  DWORD type = kAbsent;
  std::memcpy(&type, saved.data(), sizeof type);
  if (type != REG_BINARY || saved.size() < 3 * sizeof(DWORD)) return;
  const std::size_t bar = entry.find(L'|');
  write_back(entry.substr(0, bar), entry.substr(bar + 1), saved.data() + 2 * sizeof(DWORD),
             saved.size() - 2 * sizeof(DWORD));
  RegDeleteKeyValueW(HKEY_CURRENT_USER, kJournal, entry.c_str());
}

}  // namespace

ScopedUserSetting::ScopedUserSetting(std::wstring key, std::wstring name, const std::wstring& text)
    : key_(std::move(key)), name_(std::move(name)) {
  apply(REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

ScopedUserSetting::ScopedUserSetting(std::wstring key, std::wstring name, DWORD number)
    : key_(std::move(key)), name_(std::move(name)) {
  apply(REG_DWORD, &number, sizeof number);
}

void ScopedUserSetting::apply(DWORD type, const void* data, DWORD size) {
  const std::wstring entry = journal_name(key_, name_);
  const std::vector<BYTE> journalled = read_value(kJournal, entry.c_str(), 0);
  DWORD by = 0;
  if (journalled.size() >= 2 * sizeof(DWORD)) std::memcpy(&by, journalled.data() + sizeof(DWORD), sizeof by);
  if (by == GetCurrentProcessId()) {
    // Nested in a guard of this process: it puts the first value back, this one its own.
    previous_ = read_value(key_.c_str(), name_.c_str(), 0);
  } else {
    // A journal entry of another process is one a killed run left: what it
    // saved is what was there, so only an absent entry is written now.
    owner_ = true;
    std::vector<BYTE> record = by == 0
                                   ? read_value(key_.c_str(), name_.c_str(), sizeof(DWORD))
                                   : std::vector<BYTE>(journalled.begin() + sizeof(DWORD), journalled.end());
    const DWORD self = GetCurrentProcessId();
    std::memcpy(record.data(), &self, sizeof self);
    if (RegSetKeyValueW(HKEY_CURRENT_USER, kJournal, entry.c_str(), REG_BINARY, record.data(),
                        static_cast<DWORD>(record.size())) != ERROR_SUCCESS)
      return;
  }
  set_ = RegSetKeyValueW(HKEY_CURRENT_USER, key_.c_str(), name_.c_str(), type, data, size) == ERROR_SUCCESS;
}

ScopedUserSetting::~ScopedUserSetting() {
  if (owner_) {
    restore_journalled(journal_name(key_, name_));
  } else if (!previous_.empty()) {
    write_back(key_, name_, previous_.data(), previous_.size());
  }
}

void restore_user_setting(const std::wstring& key, const std::wstring& name) {
  if (!key.empty()) return restore_journalled(journal_name(key, name));
  std::vector<std::wstring> entries;
  HKEY journal = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kJournal, 0, KEY_READ, &journal) != ERROR_SUCCESS) return;
  wchar_t entry[1024];
  for (DWORD i = 0;; ++i) {
    DWORD length = 1024;
    if (RegEnumValueW(journal, i, entry, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    entries.emplace_back(entry, length);
  }
  RegCloseKey(journal);
  for (const std::wstring& each : entries) restore_journalled(each);
}

UnmanagedWindowsUnderWine::UnmanagedWindowsUnderWine(const std::wstring& exe) {
  if (running_under_wine())
    setting_.emplace(L"Software\\Wine\\AppDefaults\\" + exe + L"\\X11 Driver", L"Managed", L"N");
}
