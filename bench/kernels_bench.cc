// The shared kernels on a generated 24-megapixel photo-like image.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>

#include "image/image.h"
#include "image/kernels.h"

namespace photofilter {
namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

// Smooth gradients plus a little deterministic noise, samples 0..255.
const Image &photo() {
  static Image image = [] {
    Image generated;
    generated.nx = kWidth;
    generated.ny = kHeight;
    generated.pixels = allocate_pixels(int64_t{kWidth} * kHeight, "benchmark image");
    uint32_t noise = 12345;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        noise = noise * 1664525u + 1013904223u;
        const int jitter = static_cast<int>(noise >> 28);
        generated.at(x, y) = Pixel{static_cast<int16_t>((x / 24 + jitter) & 255),
                                   static_cast<int16_t>((y / 16 + jitter) & 255),
                                   static_cast<int16_t>(((x + y) / 40 + jitter) & 255), 0};
      }
    }
    return generated;
  }();
  return image;
}

// Every run starts from the same photo, so that runs are comparable.
Image &fresh_copy(benchmark::State &state) {
  state.PauseTiming();
  static Image working = photo().scratch_copy();
  std::memcpy(working.pixels.get(), photo().pixels.get(),
              static_cast<size_t>(photo().pixel_count()) * sizeof(Pixel));
  state.ResumeTiming();
  return working;
}

void report_megapixels(benchmark::State &state) {
  state.counters["MP/s"] = benchmark::Counter(kWidth * kHeight / 1e6,
                                              benchmark::Counter::kIsIterationInvariantRate);
}

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
