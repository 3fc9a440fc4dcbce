// Test support: settings of the current user that a test changes for as long
// as it needs them and then puts back.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

// A value under HKEY_CURRENT_USER\`key`, when it is there and of that type.
std::optional<std::wstring> user_text(const std::wstring& key, const std::wstring& name);
std::optional<DWORD> user_number(const std::wstring& key, const std::wstring& name);
bool user_key_exists(const std::wstring& key);

// Sets a value under HKEY_CURRENT_USER for as long as this lives, then puts
// back exactly what was there: its type and bytes, or no value. What was there
// is first written to a journal in the prefix, so a run killed before it could
// put it back is undone by the next guard of that value, or by
// restore_user_setting (the session's prefix_restore step runs it for all).
class ScopedUserSetting {
 public:
  ScopedUserSetting(std::wstring key, std::wstring name, const std::wstring& text);
  ScopedUserSetting(std::wstring key, std::wstring name, DWORD number);
  ~ScopedUserSetting();
  ScopedUserSetting(const ScopedUserSetting&) = delete;
  ScopedUserSetting& operator=(const ScopedUserSetting&) = delete;
  bool set() const { return set_; }

 private:
  void apply(DWORD type, const void* data, DWORD size);
  std::wstring key_, name_;
  std::vector<BYTE> previous_;  // what a guard of this process held, when nested in it
  bool owner_ = false;          // this guard wrote the journal entry and puts it back
  bool set_ = false;
};

// Puts back every journalled value (or the one of `key` and `name`) as it was
// before the first guard changed it, and forgets its journal entry.
void restore_user_setting(const std::wstring& key = L"", const std::wstring& name = L"");

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
