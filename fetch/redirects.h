// Redirects followed by our own rules over an exchange that makes one hop at a
// time, so that every platform follows the same ones: 301, 302, 303, 307 and
// 308; a relative Location resolved as RFC 3986 says; the fragment never sent;
// http and https only; at most ten hops.
#pragma once

#include <memory>

#include "fetch/exchange.h"

inline constexpr int kMaxRedirects = 10;

// `hop` is told never to follow a redirect itself.
std::unique_ptr<HttpExchange> following_redirects(std::unique_ptr<HttpExchange> hop);
