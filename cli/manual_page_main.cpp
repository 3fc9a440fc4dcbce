// Writes the batch program's manual page (roff) to standard output, for the
// build to compress and ship: tarnvex-cli-manual DATE
#include <cstdio>
#include <string>

#include "cli/batch.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: tarnvex-cli-manual DATE\n", stderr);
    return 2;
  }
  const std::string page = manual_page(argv[1]);
  return std::fwrite(page.data(), 1, page.size(), stdout) == page.size() && std::fflush(stdout) == 0 ? 0 : 1;
}
