// The page decoding as a whole program, to time beside `iconv -f UTF-8 -t CP936`
// on the same file:
//   bench_utf8_convert --write-page FILE   writes the 10 MB UTF-8 page
//   bench_utf8_convert FILE                 converts FILE, the bytes to stdout
//   bench_utf8_convert --time FILE          CPU time of the conversion alone beside
//                                           glibc's iconv(3) on the same bytes in memory
#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>

#include "bench/generated_pages.h"
#include "fetch/utf8.h"

namespace {

constexpr std::size_t kPageSize = 10 * 1024 * 1024;

int write_page(const char* path) {
  const std::string page = generated_utf8_page(kPageSize, false);
  std::ofstream out(path, std::ios::binary);
  out.write(page.data(), static_cast<std::streamsize>(page.size()));
  return out ? 0 : 1;
}

// Read straight into the body: mapping the file as well would fault every page twice.
ByteSet read_body(const char* path) {
  const int file = open(path, O_RDONLY);
  struct stat status {};
  if (file < 0 || fstat(file, &status) != 0 || status.st_size <= 0) return {};
  ByteSet body(static_cast<std::size_t>(status.st_size));
  std::size_t done = 0;
  while (done < body.size()) {
    const ssize_t got = read(file, body.data() + done, body.size() - done);
    if (got <= 0) break;
    done += static_cast<std::size_t>(got);
  }
  close(file);
  body.resize(done);
  return body;
}

int convert(const char* path) {
  const ByteSet body = read_body(path);
  if (body.empty()) return 1;
  const Text text = utf8_to_local(body);
  return std::fwrite(text.c_str(), 1, text.view().size(), stdout) == text.view().size() ? 0 : 1;
}

double cpu_ms() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return 1e3 * static_cast<double>(now.tv_sec) + 1e-6 * static_cast<double>(now.tv_nsec);
}

template <typename Convert>
double median_cpu_ms(Convert convert, std::size_t& out_bytes) {
  constexpr int kRounds = 9;
  double times[kRounds];
  for (double& time : times) {
    const double start = cpu_ms();
    out_bytes = convert();
    time = cpu_ms() - start;
  }
  std::sort(times, times + kRounds);
  return times[kRounds / 2];
}

std::size_t iconv_936(const ByteSet& body) {
  iconv_t cd = iconv_open("CP936", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return 0;
  std::string out(body.size() * 2, '\0');
  char* in = const_cast<char*>(reinterpret_cast<const char*>(body.data()));
  std::size_t in_left = body.size();
  char* target = out.data();
  std::size_t out_left = out.size();
  iconv(cd, &in, &in_left, &target, &out_left);
  iconv_close(cd);
  return out.size() - out_left;
}

int time_both(const char* path) {
  const ByteSet body = read_body(path);
  if (body.empty()) return 1;
  std::size_t ours_bytes = 0;
  std::size_t iconv_bytes = 0;
  const double ours = median_cpu_ms([&] { return utf8_to_local(body).bytes().size(); }, ours_bytes);
  const double glibc = median_cpu_ms([&] { return iconv_936(body); }, iconv_bytes);
  std::printf("%zu bytes: utf8_to_local %.1f ms (%zu out), iconv(3) %.1f ms (%zu out), ratio %.2f\n",
              body.size(), ours, ours_bytes, glibc, iconv_bytes, ours / glibc);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--write-page") == 0) return write_page(argv[2]);
  if (argc == 3 && std::strcmp(argv[1], "--time") == 0) return time_both(argv[2]);
  if (argc == 2) return convert(argv[1]);
  std::fputs("usage: bench_utf8_convert [--write-page | --time] FILE\n", stderr);
  return 2;
}
