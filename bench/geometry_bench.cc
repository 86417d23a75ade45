// The geometry commands on a generated 24-megapixel photo-like image, as
// widened pixels and, for the commands that take it so, still packed as
// read (3 bytes a pixel).
#include <benchmark/benchmark.h>

#include "bench_support.h"
#include "filters/geometry/geometry_commands.h"
#include "image/sample.h"

namespace photofilter {
namespace {

using bench::run_handler;

// The photo packed as read_image keeps it, reset outside the timed part.
Image &fresh_packed_copy(benchmark::State &state) {
  state.PauseTiming();
  static Image working;
  const Image &photo = bench::photo();
  working.replace_with_packed(allocate_pixels(photo.pixel_count(), "benchmark copy"), photo.nx,
                              photo.ny);
  uint8_t *bytes = working.packed_bytes();
  for (int64_t i = 0; i < photo.pixel_count(); ++i, bytes += 3) {
    bytes[0] = clamp_to_byte(photo.pixels[i].r);
    bytes[1] = clamp_to_byte(photo.pixels[i].g);
    bytes[2] = clamp_to_byte(photo.pixels[i].b);
  }
  state.ResumeTiming();
  return working;
}

void run_on_packed(benchmark::State &state, void (*handler)(const char *, Image &),
                   const char *word) {
  bench::QuietStderr quiet;
  for (auto _ : state) {
    Image &image = fresh_packed_copy(state);
    handler(word, image);
    benchmark::DoNotOptimize(image.pixels.get());
  }
  bench::report_megapixels(state);
}

void BM_Scaling(benchmark::State &state, const char *word) { run_handler(state, scaling, word); }
BENCHMARK_CAPTURE(BM_Scaling, half, "0.5")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Scaling, point_three, "0.3")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Scaling, point_seven, "0.7")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Scaling, double_unsmoothed, "2,2,0")->Unit(benchmark::kMillisecond);

void BM_ScalingPacked(benchmark::State &state, const char *word) {
  run_on_packed(state, scaling, word);
}
BENCHMARK_CAPTURE(BM_ScalingPacked, half, "0.5")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ScalingPacked, point_three, "0.3")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ScalingPacked, point_seven, "0.7")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ScalingPacked, point_nine_nine_nine, "0.999")
    ->Unit(benchmark::kMillisecond);

void BM_SmoothedScaling(benchmark::State &state, const char *word) {
  run_handler(state, smoothed_scaling, word);
}
BENCHMARK_CAPTURE(BM_SmoothedScaling, half, "0.5")->Unit(benchmark::kMillisecond);

void BM_Compression(benchmark::State &state, const char *word) {
  run_handler(state, compression, word);
}
BENCHMARK_CAPTURE(BM_Compression, by_2, "2")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Compression, by_4, "4")->Unit(benchmark::kMillisecond);

void BM_CompressionPacked(benchmark::State &state, const char *word) {
  run_on_packed(state, compression, word);
}
BENCHMARK_CAPTURE(BM_CompressionPacked, by_2, "2")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CompressionPacked, by_3, "3")->Unit(benchmark::kMillisecond);

void BM_Crop(benchmark::State &state, const char *word) { run_handler(state, crop, word); }
BENCHMARK_CAPTURE(BM_Crop, centre_quarter, "1500,1000,4500,3000")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Crop, aspect_16_9, "-16,-9")->Unit(benchmark::kMillisecond);

void BM_Framing(benchmark::State &state, const char *word) { run_handler(state, framing, word); }
BENCHMARK_CAPTURE(BM_Framing, default_frame, "x")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace photofilter
