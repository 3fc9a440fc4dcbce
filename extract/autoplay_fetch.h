// The extraction with its download: page address in, auto-play address out.
#pragma once

#include "common/text.h"
#include "fetch/page_request.h"

// The page at `page_address`, fetched with `options` passed on unchanged, and
// decoded from UTF-8 to code page 936. Empty when the download gives no body.
Text fetch_page_text(const Text& page_address, PageRequestOptions& options);
Text fetch_page_text(const Text& page_address);

// What the user is told when a page gives no address: 获取失败！
inline constexpr char kGetFailed[] = "\xBB\xF1\xC8\xA1\xCA\xA7\xB0\xDC\xA3\xA1";

// Downloads the page with every request option omitted and returns its
// auto-play address, or the empty Text when the page yields none.
// With `outcome`, also tells how the exchange went; `cancel` is asked while
// the exchange waits.
Text extract_autoplay_address(const Text& page_address, PageOutcome* outcome = nullptr,
                              CancelCheck* cancel = nullptr);

// The same step for a page address in UTF-8 through `factory`, the body
// searched as it arrives and never held whole: a page of any size costs the
// same memory, and one past `max_body_bytes` fails as kTooLarge.
// `options` are passed on (time-outs, the cancel check) and keep what the
// exchange wrote back (the response headers).
Text extract_autoplay_address_streamed(ExchangeFactory& factory, std::string_view utf8_page_address,
                                       std::uint64_t max_body_bytes, PageRequestOptions& options,
                                       PageOutcome& outcome);
