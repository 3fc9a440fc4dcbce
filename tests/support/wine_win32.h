// Test support: whether this Windows process runs under Wine, so a test can
// state a known difference in one line instead of skipping silently.
#pragma once

#include <windows.h>

inline bool running_under_wine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}
