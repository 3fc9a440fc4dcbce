#include "tests/support/user_settings_win32.h"

#include "tests/support/wine_win32.h"

ScopedUserSetting::ScopedUserSetting(std::wstring key, std::wstring name, const std::wstring& value)
    : key_(std::move(key)), name_(std::move(name)) {
  wchar_t old[256];
  DWORD size = sizeof old;
  if (RegGetValueW(HKEY_CURRENT_USER, key_.c_str(), name_.c_str(), RRF_RT_REG_SZ, nullptr, old, &size) ==
      ERROR_SUCCESS) {
    old_value_ = std::wstring(old);
  }
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
