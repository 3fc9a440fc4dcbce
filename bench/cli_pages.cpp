// Writes the pages bench/cli serves: COUNT video pages of about SIZE bytes,
// FOLDER/<n>.html for n from 1, each with the identifier v<n> in its entry.
// Usage: bench_cli_pages FOLDER COUNT SIZE
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "bench/generated_pages.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: bench_cli_pages FOLDER COUNT SIZE\n");
    return 2;
  }
  const std::string folder = argv[1];
  const long count = std::atol(argv[2]);
  const long size = std::atol(argv[3]);
  for (long n = 1; n <= count; ++n) {
    std::string identifier = "v";
    identifier += std::to_string(n);
    const std::string page = generated_video_page(static_cast<std::size_t>(size), identifier);
    std::ofstream file(folder + "/" + std::to_string(n) + ".html", std::ios::binary);
    file.write(page.data(), static_cast<std::streamsize>(page.size()));
    if (!file) {
      std::fprintf(stderr, "bench_cli_pages: cannot write %s/%ld.html\n", folder.c_str(), n);
      return 1;
    }
  }
  return 0;
}
