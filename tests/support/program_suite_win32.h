// Test support: the base of the end-to-end suites. Wine's windows unmanaged and
// one loopback server for the whole suite; the real program (TARNVEX_EXE, set by
// the suite's build) started afresh for each test and closed after it; however
// it ended, its exit code must be 0.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <utility>

#include "tests/support/loopback_http_server.h"
#include "tests/support/main_window_driver_win32.h"

template <typename Base = testing::Test>
class ProgramSuite : public Base {
 protected:
  // Called from the suite's own SetUpTestSuite with its server's answers.
  static void start_suite(LoopbackHttpServer::Handler respond) {
    unmanaged_ = std::make_unique<UnmanagedWindowsUnderWine>();
    server_ = std::make_unique<LoopbackHttpServer>(std::move(respond));
  }
  static void TearDownTestSuite() {
    server_.reset();
    unmanaged_.reset();
  }

  void SetUp() override {
    ASSERT_TRUE(unmanaged_->in_force());
    driver_ = std::make_unique<MainWindowDriver>(windows_path_of(TARNVEX_EXE));
    ASSERT_TRUE(driver_->ready()) << "the main window or one of its controls did not appear";
  }
  // Ended already (the test closed it, or it crashed) or closed now: either way with 0.
  void TearDown() override {
    if (driver_) {
      using namespace std::chrono_literals;
      EXPECT_EQ(driver_->running() ? driver_->close() : driver_->program().wait_for_exit(0ms),
                std::optional<DWORD>(0))
          << "the program's exit code";
    }
    driver_.reset();
  }

  inline static std::unique_ptr<UnmanagedWindowsUnderWine> unmanaged_;
  inline static std::unique_ptr<LoopbackHttpServer> server_;
  std::unique_ptr<MainWindowDriver> driver_;
};
