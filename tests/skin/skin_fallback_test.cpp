// The skin installation from start to end, with our real engine image carried
// by this program: the quiet fallback without an engine, then the full install.
// Each case has the engine file to itself and ends with the end sequence's steps.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "shell/outside_calls_win32.h"
#include "shell/skin_install.h"
#include "skin_engine/skin_format.h"
#include "tests/skin/engine_file.h"
#include "tests/skin/test_window_win32.h"
#include "tests/support/dialogs_win32.h"

namespace {

namespace fs = std::filesystem;

fs::path this_program() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

// The end sequence's skin steps.
void end_skin() {
  detach_skin();
  release_outside_libraries();
}

TEST(SkinFallback, UnloadableEngineLeavesTheWindowUnskinnedWithoutAnError) {
  const EngineFileScope engine_file;
  TestWindow window;
  const auto before = window.snapshot();
  MessageBoxCloser closer;

  // Present, so it is not replaced, but no library.
  std::ofstream(kFixedPath, std::ios::binary) << "MZ but nothing more";
  EXPECT_EQ(attach_skin(skin_data(), Text(), 0, 0, 0), kSkinEngineUnavailable);

  // A library that loads but has no SkinH_AttachRes: this very program.
  ASSERT_TRUE(CopyFileW(this_program().c_str(), kFixedPath.c_str(), FALSE));
  EXPECT_EQ(attach_skin(skin_data(), Text(), 0, 0, 0), kSkinEngineUnavailable);
  EXPECT_EQ(GetModuleHandleW(kFixedPath.c_str()), nullptr) << "the library without the entry stays loaded";

  EXPECT_TRUE(window.settle_until([&] { return window.snapshot() == before; }));
  EXPECT_TRUE(closer.seen().empty()) << "a message box was shown";
}

TEST(SkinInstall, WritesTheEngineAndSkinsTheThreadsWindows) {
  const EngineFileScope engine_file;
  TestWindow window;
  const auto before = window.snapshot();

  install_skin();

  const ByteView image = skin_library_image();
  EXPECT_EQ(read_file(kFixedPath), std::vector<std::uint8_t>(image.begin(), image.end()));
  HMODULE engine = GetModuleHandleW(L"SkinH_EL.dll");
  ASSERT_NE(engine, nullptr);
  wchar_t engine_path[MAX_PATH] = {};
  GetModuleFileNameW(engine, engine_path, MAX_PATH);
  EXPECT_TRUE(fs::equivalent(engine_path, kFixedPath));

  for (const auto& [name, point] : {std::pair{"edit.background", TestWindow::kEditInside},
                                    std::pair{"button.face", TestWindow::kButtonInside},
                                    std::pair{"window.background", TestWindow::kBackground}}) {
    const auto colour = built_in_skin().colour(name);
    ASSERT_TRUE(colour.has_value()) << name;
    const COLORREF expected = RGB(colour->red, colour->green, colour->blue);
    EXPECT_TRUE(window.settle_until([&] { return window.pixel(point) == expected; }))
        << name << ": " << colour_text(window.pixel(point));
  }

  // The end sequence detaches and unloads the engine, and the window has its own look again.
  end_skin();
  EXPECT_EQ(GetModuleHandleW(L"SkinH_EL.dll"), nullptr);
  EXPECT_TRUE(window.settle_until([&] { return window.snapshot() == before; }));
}

}  // namespace
