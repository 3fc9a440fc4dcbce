#include "fetch/automation_win32.h"

std::unique_ptr<AutomationFactory> platform_automation_factory() {
  return std::make_unique<ComAutomationFactory>();
}
