// The automation seam bound to COM: objects created by ProgID and driven
// late-bound through IDispatch, text crossing as BSTR in code page 936.
#pragma once

#include <memory>

#include "fetch/automation.h"

struct IDispatch;

class ComAutomationFactory final : public AutomationFactory {
 public:
  // CoInitialize; a failed one (another apartment model already chosen on this
  // thread) is not balanced by uninitialize, so the caller's COM stays intact.
  void initialize() override;
  void uninitialize() override;
  std::unique_ptr<AutomationObject> create(const Text& prog_id) override;

 private:
  bool initialized_ = false;
};

// Drives an object the caller already holds; keeps a reference of its own.
std::unique_ptr<AutomationObject> automation_object_of(IDispatch* dispatch);
