#include <windows.h>

#include "common/codepage_win32.h"
#include "common/message_box.h"

void show_message(const Text& text) {
  // The W call shows the code page 936 texts correctly whatever the system code page.
  const std::wstring wide_text = gbk_to_wide(text);
  const std::wstring wide_caption = gbk_to_wide(kMessageCaption);
  MessageBoxW(nullptr, wide_text.c_str(), wide_caption.c_str(), MB_OK | MB_TASKMODAL);
}
