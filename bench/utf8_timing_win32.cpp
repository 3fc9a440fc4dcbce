// Times the UTF-8 to code page 936 decoding of a 10 MB page on kernel32 (under
// Wine here): our routine against the same two conversions without the
// composing flag, which is the floor, and with it on every page.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench/clock_win32.h"
#include "bench/generated_pages.h"
#include "common/codepage_win32.h"
#include "fetch/utf8_win32.h"

namespace {

constexpr int kRounds = 7;

// Both size-query-then-convert calls, with the given flags on the second step.
Text two_calls(const ByteSet& body, DWORD flags) {
  const auto* in = reinterpret_cast<const char*>(body.data());
  const int len = static_cast<int>(body.size());
  const int n = MultiByteToWideChar(65001, 0, in, len, nullptr, 0);
  std::vector<wchar_t> wide(static_cast<std::size_t>(n));
  MultiByteToWideChar(65001, 0, in, len, wide.data(), n);
  const int m = WideCharToMultiByte(kCodePage936, flags, wide.data(), n, nullptr, 0, nullptr, nullptr);
  std::vector<char> out(static_cast<std::size_t>(m));
  WideCharToMultiByte(kCodePage936, flags, wide.data(), n, out.data(), m, nullptr, nullptr);
  return Text(std::string_view(out.data(), out.size()));
}

template <typename Convert>
double median_ms(Convert convert, Text& result) {
  std::vector<double> times;
  for (int round = 0; round < kRounds; ++round) {
    const double start = now_ms();
    result = convert();
    times.push_back(now_ms() - start);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

int time_page(const char* name, bool with_marks) {
  const std::string page = generated_utf8_page(10 * 1024 * 1024, with_marks);
  const ByteSet body(page.begin(), page.end());
  Text ours;
  Text plain;
  Text composing;
  const double ours_ms = median_ms([&] { return utf8_to_local(body); }, ours);
  const double plain_ms = median_ms([&] { return two_calls(body, 0); }, plain);
  const double composing_ms = median_ms([&] { return two_calls(body, WC_COMPOSITECHECK); }, composing);
  std::printf(
      "%-22s %9zu bytes  utf8_to_local %8.1f ms  without flag %8.1f ms  with flag %8.1f ms  ratio %.2f\n",
      name, body.size(), ours_ms, plain_ms, composing_ms, ours_ms / plain_ms);
  // The routine must give what the composing conversion gives, byte for byte.
  if (ours != composing) {
    std::printf("%s: utf8_to_local differs from the composing conversion\n", name);
    return 1;
  }
  return 0;
}

}  // namespace

int main() {
  std::printf("UTF-8 to code page 936, median of %d rounds\n", kRounds);
  int status = time_page("page without marks", false);
  status |= time_page("page with marks", true);
  return status;
}
