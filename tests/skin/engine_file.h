// The skin tests' files: the engine's fixed place, reading a file whole, and a
// guard that gives each test the fixed place to itself.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

inline const std::filesystem::path kFixedPath = L"C:\\WINDOWS\\system32\\SkinH_EL.dll";

inline std::vector<std::uint8_t> read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

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
