// How Windows' HTTP errors read as our failures.
#pragma once

#include <cstdint>

#include "fetch/exchange.h"

// An HRESULT from the request object (0: none).
FetchFailure failure_of_result(std::int32_t result);
// A WinHTTP error number (ERROR_WINHTTP_...).
FetchFailure failure_of_winhttp_error(std::uint32_t error);
