#include "common/codepage_win32.h"

std::wstring local_to_wide(const Text& text) { return to_wide(kLocalCodePage, 0, text.view()); }

Text wide_to_local(std::wstring_view wide) { return Text(from_wide(kLocalCodePage, 0, wide)); }
