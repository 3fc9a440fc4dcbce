// The user's three commands on the main window: get the auto-play address,
// copy it, open it. Each is a handler of the window's event table.
#pragma once

#include "common/text.h"

// Clicked handler of 按钮_获取自动播放地址.
void get_address_command();
// Left-button press handlers of 超级链接框_复制 and 超级链接框_打开; the pointer
// position and key mask are not used.
void copy_command(int x, int y, int keys);
void open_command(int x, int y, int keys);

// Puts `text` on the clipboard, owned by the main window, as CF_TEXT (code page
// 936, with its NUL) and, where it can, as CF_UNICODETEXT beside it; waits up to
// 100 ms for another program to let go of it. True when CF_TEXT was placed.
bool put_text_on_clipboard(const Text& text);
