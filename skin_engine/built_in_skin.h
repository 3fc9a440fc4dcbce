// The skin the program carries, in our format: a calm blue-grey look, written
// into the program's resources at build time (write_built_in_skin.cpp).
#pragma once

#include <cstdint>
#include <vector>

std::vector<std::uint8_t> built_in_skin();
