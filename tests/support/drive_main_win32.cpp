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

#include "tests/support/dialogs_win32.h"
#include "tests/support/program_win32.h"

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
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  std::vector<char> pixels(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height));
  GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
            DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
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
  ProgramUnderTest program(argv[1], L"  Tarnvex");
  if (!program.started()) {
    std::fputs("the program's window did not appear\n", stderr);
    return 1;
  }
  const HWND source = program.find_control(L"Edit", nullptr, program.main_window());
  const HWND button = program.find_control(L"Button");
  const HWND link = program.find_control(L"TarnvexHyperLinker");
  const HWND output = link != nullptr ? program.find_control(L"Edit", nullptr, GetParent(link)) : nullptr;
  if (source == nullptr || button == nullptr || output == nullptr) {
    std::fputs("the program's controls were not found\n", stderr);
    return 1;
  }
  set_window_text_of(source, argv[2]);
  post_button_click(button);

  std::wstring address;
  std::optional<SeenMessageBox> box;
  wait_until(
      [&] {
        address = window_text_of(output);
        if (address.empty()) box = close_next_message_box(program.process_id(), 50ms);
        return !address.empty() || box.has_value();
      },
      60s);
  if (argc > 3) {
    Sleep(300);  // let the links paint
    save_screen(argv[3]);
  }
  const int status = address.empty() ? 1 : 0;
  std::printf("%s\n", utf8(address.empty() ? (box ? box->text : L"(no answer)") : address).c_str());
  std::fflush(stdout);
  program.close_and_wait();
  return status;
}
