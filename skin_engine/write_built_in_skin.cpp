// Writes the built-in skin at build time: write_built_in_skin OUTPUT_FILE
#include <fstream>

#include "skin_engine/built_in_skin.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::vector<std::uint8_t> skin = built_in_skin();
  std::ofstream out(argv[1], std::ios::binary);
  out.write(reinterpret_cast<const char*>(skin.data()), static_cast<std::streamsize>(skin.size()));
  return out ? 0 : 1;
}
