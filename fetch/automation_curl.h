// The automation seam over libcurl, where there is no WinHTTP object: an
// object by the WinHTTP request's ProgID that takes the members page_request
// calls, in its order, and answers as that object does.
#pragma once

#include <memory>

#include "fetch/automation.h"

class CurlAutomationFactory final : public AutomationFactory {
 public:
  // No apartment to open: each object holds its own curl handle.
  void initialize() override;
  void uninitialize() override {}
  // Null for any ProgID but the HTTP request's.
  std::unique_ptr<AutomationObject> create(const Text& prog_id) override;
};
