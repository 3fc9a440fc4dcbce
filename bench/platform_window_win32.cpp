// The second floor for bench/startup: the bare window (bare_window_win32.cpp)
// plus the platform work the program cannot leave out before its window shows,
// in the program's order: the library search restricted, OLE initialised, the
// program's folder made the current directory, comctl32 6 through the same
// manifest as the program (platform_window.rc) with InitCommonControlsEx, and
// oleaut32 imported as the program imports it; and the Chinese captions the
// program shows at start (its button's and its label's) drawn in the same face
// as the program's skin draws them, which under Wine loads the linked CJK
// font. Everything after that is ours.
#include <ole2.h>
#include <windows.h>
// After windows.h.
#include <commctrl.h>
#include <oleauto.h>

#include <string>

#include "bench/floor_window_win32.h"

namespace {

void enter_program_directory() {
  std::wstring path(MAX_PATH, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  path.resize(length);
  const auto last_backslash = path.find_last_of(L'\\');
  if (last_backslash == std::wstring::npos) return;
  path.resize(last_backslash);
  SetCurrentDirectoryW(path.c_str());
}

// The skin's font: Tahoma, 12 pixels, the default character set, so the
// system links in a face for the Chinese characters.
HFONT caption_font() {
  LOGFONTW font{};
  font.lfHeight = -12;
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(font.lfFaceName, L"Tahoma", LF_FACESIZE);
  return CreateFontIndirectW(&font);
}

void draw_captions(HDC dc) {
  static HFONT font = caption_font();
  const HGDIOBJ old = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  RECT button{304, 92, 304 + 121, 92 + 24};
  DrawTextW(dc, L"\u83b7\u53d6\u81ea\u52a8\u64ad\u653e\u5730\u5740", -1, &button,  // 获取自动播放地址
            DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  RECT label{8, 180, 8 + 88, 180 + 16};
  DrawTextW(dc, L"\u4f5c\u8005\uff1aMerrowin", -1, &label, DT_LEFT | DT_SINGLELINE);  // 作者：Merrowin
  SelectObject(dc, old);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_APPLICATION_DIR);
  const bool ole = SUCCEEDED(OleInitialize(nullptr));
  enter_program_directory();
  // The program imports oleaut32 (its picture decoding): so does the floor.
  SysFreeString(nullptr);
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  floor_paint = draw_captions;
  const int exit_code = run_floor_window(instance, L"TarnvexPlatformWindow");
  if (ole) OleUninitialize();
  return exit_code;
}
