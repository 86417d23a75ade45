// The shared kernels on a generated 24-megapixel photo-like image.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "bench_support.h"
#include "image/kernels.h"

namespace photofilter {
namespace {

using bench::fresh_copy;
using bench::report_megapixels;

// The floor a kernel pass is measured against: one plain read-modify-write
// pass over every sample of the same pixel array.
void BM_PlainReadModifyWritePass(benchmark::State &state) {
  for (auto _ : state) {
    Image &image = fresh_copy(state);
    int16_t *samples = &image.pixels[0].r;
    const int64_t count = image.pixel_count() * 4;
    for (int64_t i = 0; i < count; ++i) samples[i] = static_cast<int16_t>(samples[i] ^ 1);
    benchmark::DoNotOptimize(samples);
  }
  report_megapixels(state);
}
BENCHMARK(BM_PlainReadModifyWritePass)->Unit(benchmark::kMillisecond);

void BM_WeightedBlurAveraging(benchmark::State &state) {
  for (auto _ : state) weighted_blur(fresh_copy(state), static_cast<int32_t>(state.range(0)), 1.0);
  report_megapixels(state);
}
BENCHMARK(BM_WeightedBlurAveraging)->Arg(1)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond);

void BM_WeightedBlurStep(benchmark::State &state) {
  for (auto _ : state) weighted_blur(fresh_copy(state), static_cast<int32_t>(state.range(0)), -1.0);
  report_megapixels(state);
}
BENCHMARK(BM_WeightedBlurStep)->Arg(1)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond);

void BM_RegionNoiseReduction(benchmark::State &state) {
  const auto radius = static_cast<int32_t>(state.range(0));
  for (auto _ : state) region_noise_reduction(fresh_copy(state), radius, 1, 1, 1, 1, 3);
  report_megapixels(state);
}
BENCHMARK(BM_RegionNoiseReduction)->Arg(10)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace photofilter
