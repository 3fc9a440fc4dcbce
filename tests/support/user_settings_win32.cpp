#include "tests/support/user_settings_win32.h"

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

ScopedUserSetting::ScopedUserSetting(std::wstring key, std::wstring name, const std::wstring& value)
    : key_(std::move(key)), name_(std::move(name)), old_value_(user_text(key_, name_)) {
  set_ = RegSetKeyValueW(HKEY_CURRENT_USER, key_.c_str(), name_.c_str(), REG_SZ, value.c_str(),
                         static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

ScopedUserSetting::~ScopedUserSetting() {
  if (!set_) return;
  if (old_value_) {
    RegSetKeyValueW(HKEY_CURRENT_USER, key_.c_str(), name_.c_str(), REG_SZ, old_value_->c_str(),
                    static_cast<DWORD>((old_value_->size() + 1) * sizeof(wchar_t)));
  } else {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, key_.c_str(), name_.c_str());
  }
}

UnmanagedWindowsUnderWine::UnmanagedWindowsUnderWine(const std::wstring& exe) {
  if (running_under_wine())
    setting_.emplace(L"Software\\Wine\\AppDefaults\\" + exe + L"\\X11 Driver", L"Managed", L"N");
}
