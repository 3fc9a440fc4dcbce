// The page-to-address step against the floor: a memmem scan for flash地址 over
// the same bytes. bench/run turns the figures into ratios.
#include <benchmark/benchmark.h>

#include <iconv.h>

#include <cstring>
#include <string>
#include <string_view>

#include "bench/generated_pages.h"
#include "common/text.h"
#include "extract/autoplay_address.h"
#include "extract/page_search.h"
#include "fetch/utf8.h"

namespace {

constexpr std::string_view kFlash = "flash\xB5\xD8\xD6\xB7";  // flash地址

// Every occurrence, so the whole page is read once, as the step must when the
// entry is late or missing.
std::size_t memmem_count(std::string_view page) {
  std::size_t count = 0;
  const char* at = page.data();
  const char* end = page.data() + page.size();
  while (const void* found = memmem(at, static_cast<std::size_t>(end - at), kFlash.data(), kFlash.size())) {
    ++count;
    at = static_cast<const char*>(found) + kFlash.size();
  }
  return count;
}

void set_bytes(benchmark::State& state, std::size_t size) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

void BM_PageToAddress(benchmark::State& state, PageShape shape, std::size_t size) {
  const Text page(generated_page(shape, size));
  for (auto _ : state) benchmark::DoNotOptimize(autoplay_address_from_page(page));
  set_bytes(state, size);
}

void BM_MemmemFlash(benchmark::State& state, PageShape shape, std::size_t size) {
  const std::string page = generated_page(shape, size);
  for (auto _ : state) benchmark::DoNotOptimize(memmem_count(page));
  set_bytes(state, size);
}

// Boost.Regex alone over the whole page, for comparison.
void BM_BoostWholePage(benchmark::State& state, PageShape shape, std::size_t size) {
  const std::string page = generated_page(shape, size);
  for (auto _ : state) benchmark::DoNotOptimize(flash_value_search_whole_page(page));
  set_bytes(state, size);
}

// The same page as a site sends it, in UTF-8 (glibc's iconv does the reverse
// conversion, so the bench does not time our own code making its input).
ByteSet utf8_page(PageShape shape, std::size_t size) {
  const std::string page = generated_page(shape, size);
  std::string out(page.size() * 2, '\0');
  iconv_t cd = iconv_open("UTF-8", "CP936");
  char* in = const_cast<char*>(page.data());
  std::size_t in_left = page.size();
  char* target = out.data();
  std::size_t out_left = out.size();
  iconv(cd, &in, &in_left, &target, &out_left);
  iconv_close(cd);
  return ByteSet(out.data(), target);
}

// From the fetched body: the whole page converted, then searched.
void BM_ConvertThenAddress(benchmark::State& state, PageShape shape, std::size_t size) {
  const ByteSet body = utf8_page(shape, size);
  for (auto _ : state) benchmark::DoNotOptimize(autoplay_address_from_page(utf8_to_local(body)));
  set_bytes(state, body.size());
}

// From the fetched body: the entry found in UTF-8, only the value converted.
void BM_BodyToAddress(benchmark::State& state, PageShape shape, std::size_t size) {
  const ByteSet body = utf8_page(shape, size);
  for (auto _ : state) benchmark::DoNotOptimize(autoplay_address_from_body(body));
  set_bytes(state, body.size());
}

// A page that writes 地址 and 。 (E3 80 82) on every line, but has no entry.
void BM_BodyToAddressManyZhi(benchmark::State& state, std::size_t size) {
  const std::string page = generated_utf8_page(size, false);
  const ByteSet body(page.begin(), page.end());
  for (auto _ : state) benchmark::DoNotOptimize(autoplay_address_from_body(body));
  set_bytes(state, body.size());
}

void register_all() {
  const std::size_t sizes[] = {100 * 1024, 1024 * 1024, 10 * 1024 * 1024};
  const PageShape shapes[] = {PageShape::kEntryNearStart, PageShape::kEntryNearEnd, PageShape::kNoEntry,
                              PageShape::kAdversarial};
  for (const std::size_t size : sizes) {
    benchmark::RegisterBenchmark(
        ("body_to_address/every_line_has_address_word/" + std::to_string(size)).c_str(),
        BM_BodyToAddressManyZhi, size)
        ->Unit(benchmark::kMicrosecond);
    for (const PageShape shape : shapes) {
      const std::string suffix = std::string("/") + page_shape_name(shape) + "/" + std::to_string(size);
      benchmark::RegisterBenchmark(("page_to_address" + suffix).c_str(), BM_PageToAddress, shape, size)
          ->Unit(benchmark::kMicrosecond);
      benchmark::RegisterBenchmark(("memmem_flash" + suffix).c_str(), BM_MemmemFlash, shape, size)
          ->Unit(benchmark::kMicrosecond);
      auto* boost =
          benchmark::RegisterBenchmark(("boost_whole_page" + suffix).c_str(), BM_BoostWholePage, shape, size)
              ->Unit(benchmark::kMicrosecond);
      // Boost gives up on the trap only after seconds; once is enough.
      if (shape == PageShape::kAdversarial) boost->Iterations(1);
      benchmark::RegisterBenchmark(("convert_then_address" + suffix).c_str(), BM_ConvertThenAddress, shape,
                                   size)
          ->Unit(benchmark::kMicrosecond);
      benchmark::RegisterBenchmark(("body_to_address" + suffix).c_str(), BM_BodyToAddress, shape, size)
          ->Unit(benchmark::kMicrosecond);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  register_all();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
