// Test support: settings of the current user that a test changes for as long
// as it needs them and then puts back.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

// A value under HKEY_CURRENT_USER\`key`, when it is there and of that type.
std::optional<std::wstring> user_text(const std::wstring& key, const std::wstring& name);
std::optional<DWORD> user_number(const std::wstring& key, const std::wstring& name);
bool user_key_exists(const std::wstring& key);

// Sets a value under HKEY_CURRENT_USER for as long as this lives, then puts
// back what was there before.
class ScopedUserSetting {
 public:
  ScopedUserSetting(std::wstring key, std::wstring name, const std::wstring& value);
  ~ScopedUserSetting();
  ScopedUserSetting(const ScopedUserSetting&) = delete;
  ScopedUserSetting& operator=(const ScopedUserSetting&) = delete;
  bool set() const { return set_; }

 private:
  std::wstring key_, name_;
  std::optional<std::wstring> old_value_;
  bool set_ = false;
};

// With no window manager on the Xvfb display, Wine's X11 driver waits 2 s for
// one to confirm every message box the program hides, and the program waits
// with it. While this lives, the windows of programs named `exe` that start
// meanwhile are unmanaged under Wine, which skips that wait; elsewhere it does nothing.
class UnmanagedWindowsUnderWine {
 public:
  explicit UnmanagedWindowsUnderWine(const std::wstring& exe = L"tarnvex.exe");
  bool in_force() const { return !setting_ || setting_->set(); }

 private:
  std::optional<ScopedUserSetting> setting_;
};
