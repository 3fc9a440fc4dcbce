// The one place where our code page 936 texts cross to and from the W APIs.
#pragma once

#include <string>
#include <string_view>

#include "common/text.h"

inline constexpr unsigned kLocalCodePage = 936;

std::wstring local_to_wide(const Text& text);
Text wide_to_local(std::wstring_view wide);
