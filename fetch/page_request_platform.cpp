#include "fetch/page_request.h"

ByteSet page_request(const Text& url, PageRequestOptions& options) {
  const std::unique_ptr<AutomationFactory> factory = platform_automation_factory();
  return page_request_with(*factory, url, options);
}

ByteSet page_request(const Text& url) {
  PageRequestOptions omitted;
  return page_request(url, omitted);
}
