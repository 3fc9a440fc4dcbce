// The skin tests' files: the engine's fixed place, reading a file whole, and a
// guard that gives each test the fixed place to itself.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

inline const std::filesystem::path kFixedPath = L"C:\\WINDOWS\\system32\\SkinH_EL.dll";

inline std::vector<std::uint8_t> read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// For one test: no file at the fixed place at the start; at the end whatever the
// test left there is removed and a file that was there before is put back, even
// when the test failed half-way.
class EngineFileScope {
 public:
  EngineFileScope() {
    if (std::filesystem::exists(kFixedPath)) saved_ = read_file(kFixedPath);
    remove();
  }
  ~EngineFileScope() {
    remove();
    if (saved_) {
      std::ofstream(kFixedPath, std::ios::binary)
          .write(reinterpret_cast<const char*>(saved_->data()), static_cast<std::streamsize>(saved_->size()));
    }
  }
  EngineFileScope(const EngineFileScope&) = delete;
  EngineFileScope& operator=(const EngineFileScope&) = delete;

 private:
  static void remove() {
    std::error_code ignored;
    std::filesystem::remove(kFixedPath, ignored);
  }
  std::optional<std::vector<std::uint8_t>> saved_;
};
