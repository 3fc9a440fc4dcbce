#include "fetch/automation_curl.h"
#include "fetch/page_request.h"

ByteSet page_request(const Text& url, PageRequestOptions& options) {
  CurlAutomationFactory factory;
  return page_request_with(factory, url, options);
}

ByteSet page_request(const Text& url) {
  PageRequestOptions omitted;
  return page_request(url, omitted);
}
