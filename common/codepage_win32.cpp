#include "common/codepage_win32.h"

std::wstring gbk_to_wide(const Text& text) { return to_wide(kCodePage936, 0, text.view()); }

Text wide_to_gbk(std::wstring_view wide) { return Text(from_wide(kCodePage936, 0, wide)); }
