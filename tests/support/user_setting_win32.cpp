// Sets or puts back a setting of the prefix's user from outside a test, for
// steps CTest runs around a test that needs the setting before it starts:
//   user_setting set KEY NAME TEXT    journals what was there, then sets it
//   user_setting restore [KEY NAME]   puts back what was journalled (all of it with no KEY)
#include <string>

#include "tests/support/user_settings_win32.h"

int wmain(int argc, wchar_t** argv) {
  const std::wstring step = argc > 1 ? argv[1] : L"";
  if (step == L"set" && argc == 5) {
    // Left in force on purpose: the restore step ends it.
    const auto* setting = new ScopedUserSetting(argv[2], argv[3], std::wstring(argv[4]));
    return setting->set() ? 0 : 1;
  }
  if (step == L"restore" && (argc == 2 || argc == 4)) {
    restore_user_setting(argc == 4 ? argv[2] : L"", argc == 4 ? argv[3] : L"");
    return 0;
  }
  return 2;
}
