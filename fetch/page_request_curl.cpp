#include "fetch/automation_curl.h"

std::unique_ptr<AutomationFactory> platform_automation_factory() {
  return std::make_unique<CurlAutomationFactory>();
}
