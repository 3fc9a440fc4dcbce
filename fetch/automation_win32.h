// The automation seam bound to COM: objects created by ProgID and driven
// late-bound through IDispatch, text crossing as BSTR in code page 936.
#pragma once

#include <memory>

#include "fetch/automation.h"

struct IDispatch;
class ComApartment;

class ComAutomationFactory final : public AutomationFactory {
 public:
  ComAutomationFactory();
  ~ComAutomationFactory() override;
  // Opens a COM apartment (common/win32/com.h) until uninitialize.
  void initialize() override;
  void uninitialize() override;
  std::unique_ptr<AutomationObject> create(const Text& prog_id) override;

 private:
  std::unique_ptr<ComApartment> apartment_;
};

// Drives an object the caller already holds; keeps a reference of its own.
std::unique_ptr<AutomationObject> automation_object_of(IDispatch* dispatch);
