#include "fetch/automation_win32.h"
#include "fetch/page_request.h"

ByteSet page_request(const Text& url, PageRequestOptions& options) {
  ComAutomationFactory factory;
  return page_request_with(factory, url, options);
}

ByteSet page_request(const Text& url) {
  PageRequestOptions omitted;
  return page_request(url, omitted);
}
