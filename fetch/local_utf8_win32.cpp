#include "fetch/local_utf8.h"

#include <windows.h>

#include "common/codepage_win32.h"

std::string local_to_utf8(const Text& text) { return from_wide(CP_UTF8, 0, gbk_to_wide(text)); }
