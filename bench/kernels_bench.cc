// The shared kernels on a generated 24-megapixel photo-like image.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

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

// The weight of "-s 1,r,1000": exact 32-bit quotients up to radius 32,
// then quotients in doubles.
void BM_WeightedBlurAveragingWeight1000(benchmark::State &state) {
  for (auto _ : state) {
    weighted_blur(fresh_copy(state), static_cast<int32_t>(state.range(0)), 1000.0);
  }
  report_megapixels(state);
}
BENCHMARK(BM_WeightedBlurAveragingWeight1000)
    ->Arg(1)
    ->Arg(10)
    ->Arg(50)
    ->Unit(benchmark::kMillisecond);

// The blur at the bin centres of a reduction by 1/bin, with the radius
// smoothed scaling gives it.
void BM_WeightedBlurSampled(benchmark::State &state) {
  const auto bin = static_cast<int32_t>(state.range(0));
  std::vector<int32_t> columns, rows;
  for (int32_t x = bin / 2; x < bench::kWidth; x += bin) columns.push_back(x);
  for (int32_t y = bin / 2; y < bench::kHeight; y += bin) rows.push_back(y);
  std::vector<Pixel> out(columns.size() * rows.size());
  for (auto _ : state) {
    ImageRows source(fresh_copy(state));
    weighted_blur_sampled(source, bin / 2 + 1, 1.0, columns, rows, out.data());
  }
  report_megapixels(state);
}
BENCHMARK(BM_WeightedBlurSampled)->Arg(2)->Arg(3)->Arg(10)->Unit(benchmark::kMillisecond);

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
