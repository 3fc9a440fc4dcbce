// The probe engine at the engine's fixed place, logging what the programs a
// test starts do with it to a file of this process's own. The place, the log
// and the variable that names it are undone when the scope ends.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>

#include "tests/skin/engine_file.h"
#include "tests/skin/probe_engine.h"

class ProbeAtFixedPlace {
 public:
  explicit ProbeAtFixedPlace(const std::wstring& probe_file)
      : placed_(CopyFileW(probe_file.c_str(), kFixedPath.c_str(), FALSE) != FALSE) {
    remove_log();
    SetEnvironmentVariableA(kProbeLogVariable, log_.string().c_str());
  }
  ~ProbeAtFixedPlace() {
    SetEnvironmentVariableA(kProbeLogVariable, nullptr);
    remove_log();
  }
  ProbeAtFixedPlace(const ProbeAtFixedPlace&) = delete;
  ProbeAtFixedPlace& operator=(const ProbeAtFixedPlace&) = delete;

  bool placed() const { return placed_; }
  // Every line logged so far, in order.
  std::string log() const {
    const auto bytes = read_file(log_);
    return std::string(bytes.begin(), bytes.end());
  }

 private:
  void remove_log() const {
    std::error_code ignored;
    std::filesystem::remove(log_, ignored);
  }

  // First: the fixed place is emptied before the probe is copied there.
  EngineFileScope engine_file_;
  std::filesystem::path log_ =
      std::filesystem::temp_directory_path() / ("tarnvex-probe-" + std::to_string(GetCurrentProcessId()));
  bool placed_;
};
