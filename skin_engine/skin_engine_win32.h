// The engine's work behind its exported entry.
#pragma once

#include <cstdint>

// Decodes the skin and applies it to the calling thread's windows; returns a
// skin::Status code. A skin that is refused leaves every window as it was.
std::int32_t apply_skin(const std::uint8_t* data, std::int32_t length);

// Gives every skinned window its own procedure and look back, removes the
// creation hook and drops the skin, while the windows still exist. Afterwards
// nothing refers to this library and it may be unloaded.
void release_skin();
