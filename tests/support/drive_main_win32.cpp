// Does once what a person trying the program does: starts it, pastes a page
// address, clicks 获取自动播放地址, and reports what came back. scripts/run uses
// it when there is no display to show the window on.
//   tarnvex_drive <tarnvex.exe> <page address> [<screenshot.bmp>]
// Prints the auto-play address (or the message the program showed) as UTF-8;
// exit code 0 when an address came back.
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/codepage_win32.h"
#include "tests/support/main_window_driver_win32.h"
#include "tests/support/screen_pixels_win32.h"

namespace {

using namespace std::chrono_literals;

// The screen as a 32-bit top-down BMP file.
bool save_screen(const std::wstring& path) {
  const HWND desktop = GetDesktopWindow();
  std::vector<COLORREF> pixels = screen_snapshot(desktop);
  // A BMP pixel holds blue first, a COLORREF red.
  for (COLORREF& pixel : pixels) pixel = RGB(GetBValue(pixel), GetGValue(pixel), GetRValue(pixel));
  RECT screen{};
  GetClientRect(desktop, &screen);
  const BITMAPINFOHEADER info{sizeof info, screen.right, -screen.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  const auto size = static_cast<DWORD>(pixels.size() * sizeof(COLORREF));
  constexpr DWORD kHeaders = sizeof(BITMAPFILEHEADER) + sizeof info;
  const BITMAPFILEHEADER file{0x4D42, kHeaders + size, 0, 0, kHeaders};
  std::ofstream out(std::filesystem::path(path), std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&info), sizeof info);
  out.write(reinterpret_cast<const char*>(pixels.data()), size);
  return static_cast<bool>(out);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fputs("usage: tarnvex_drive <tarnvex.exe> <page address> [<screenshot.bmp>]\n", stderr);
    return 2;
  }
  MainWindowDriver driver(argv[1]);
  if (!driver.ready()) {
    std::fputs("the program's window or its controls did not appear\n", stderr);
    return 1;
  }
  const std::wstring page(argv[2]);
  const ExtractionOutcome outcome = driver.extract(std::string(page.begin(), page.end()), 60s);
  if (argc > 3) {
    // Paint what is pending (the links just shown) before the picture is taken.
    RedrawWindow(driver.program().main_window(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    save_screen(argv[3]);
  }
  const std::wstring& said = outcome.message ? outcome.message->text : std::wstring(L"(no answer)");
  std::printf("%s\n", from_wide(CP_UTF8, 0, outcome.address.empty() ? said : outcome.address).c_str());
  std::fflush(stdout);
  driver.close();
  return outcome.address.empty() ? 1 : 0;
}
