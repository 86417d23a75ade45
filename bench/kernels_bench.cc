// The shared kernels on a generated 24-megapixel photo-like image.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "bench_support.h"
#include "image/kernels.h"

namespace photofilter {
namespace {

using bench::fresh_copy;
using bench::report_megapixels;

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
