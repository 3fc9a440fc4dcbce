// Every message to the user: an OK box with no owner and the caption "信息：".
#pragma once

#include "common/text.h"

// The caption, in code page 936.
inline constexpr char kMessageCaption[] = "\xD0\xC5\xCF\xA2\xA3\xBA";  // 信息：

// Blocks until the user closes the box.
void show_message(const Text& text);
