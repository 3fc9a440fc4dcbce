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

#include "common/win32/gdi.h"
#include "tests/support/main_window_driver_win32.h"

namespace {

using namespace std::chrono_literals;

std::string utf8(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                       nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), size, nullptr,
                      nullptr);
  return out;
}

// The screen as a 24-bit BMP file.
bool save_screen(const std::wstring& path) {
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  const WindowDc screen(nullptr);
  const MemoryDc memory(CreateCompatibleDC(screen.get()));
  const GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(screen.get(), width, height));
  {
    const SelectedObject selected(memory.get(), bitmap.get());
    BitBlt(memory.get(), 0, 0, width, height, screen.get(), 0, 0, SRCCOPY);
  }
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  std::vector<char> pixels(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height));
  GetDIBits(memory.get(), bitmap.get(), 0, static_cast<UINT>(height), pixels.data(),
            reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
  std::ofstream out(std::filesystem::path(path), std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&info), sizeof info);
  out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
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
  std::printf("%s\n", utf8(outcome.address.empty() ? said : outcome.address).c_str());
  std::fflush(stdout);
  driver.close();
  return outcome.address.empty() ? 1 : 0;
}
