// The skin tests' files: the engine's fixed place, a
// guard that gives each test the fixed place to itself, and the built-in skin.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "skin_engine/skin_format.h"
#include "tests/support/read_file.h"

inline const std::filesystem::path kFixedPath = L"C:\\WINDOWS\\system32\\SkinH_EL.dll";

// For one test: no file at the fixed place at the start, and none left behind at
// the end, even when the test failed half-way.
class EngineFileScope {
 public:
  EngineFileScope() { remove(); }
  ~EngineFileScope() { remove(); }
  EngineFileScope(const EngineFileScope&) = delete;
  EngineFileScope& operator=(const EngineFileScope&) = delete;

 private:
  static void remove() {
    std::error_code ignored;
    std::filesystem::remove(kFixedPath, ignored);
  }
};

// The built-in skin as the build writes it, pinned here field by field, so
// no test takes the colours it expects from our own reader.
inline skin::Skin built_in_skin() {
  skin::Skin expected;
  expected.colours = {
      {"window.background", {0xDC, 0xE6, 0xF0}},  {"edit.background", {0xFF, 0xF8, 0xE1}},
      {"edit.text", {0x1A, 0x2A, 0x4A}},          {"edit.readonly.background", {0xE8, 0xF0, 0xFA}},
      {"edit.readonly.text", {0x00, 0x5A, 0xB4}}, {"edit.border", {0x46, 0x6E, 0xA0}},
      {"label.background", {0xDC, 0xE6, 0xF0}},   {"label.text", {0x28, 0x3C, 0x5A}},
      {"button.face", {0x46, 0x6E, 0xA0}},        {"button.pressed", {0x32, 0x55, 0x82}},
      {"button.text", {0xFF, 0xFF, 0xFF}},        {"button.border", {0x28, 0x46, 0x6E}},
  };
  expected.font = skin::Font{-12, 400, false, false, "Tahoma"};
  return expected;
}
