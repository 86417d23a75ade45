// The geometry commands on a generated 24-megapixel photo-like image, as
// widened pixels and, for the commands that take it so, still held as
// read (3 bytes a pixel).
#include <benchmark/benchmark.h>

#include "bench_support.h"
#include "filters/geometry/geometry_commands.h"
#include "image/sample.h"

namespace photofilter {
namespace {

using bench::run_handler;

// The photo as bytes, as the reader keeps it, made outside the timed part.
WorkingImage fresh_byte_copy(benchmark::State &state) {
  state.PauseTiming();
  const Image &photo = bench::photo();
  ByteImage bytes;
  bytes.nx = photo.nx;
  bytes.ny = photo.ny;
  bytes.storage = allocate_pixels(photo.pixel_count(), "benchmark copy");
  uint8_t *to = bytes.bytes();
  for (int64_t i = 0; i < photo.pixel_count(); ++i, to += 3) {
    to[0] = clamp_to_byte(photo.pixels[i].r);
    to[1] = clamp_to_byte(photo.pixels[i].g);
    to[2] = clamp_to_byte(photo.pixels[i].b);
  }
  state.ResumeTiming();
  return WorkingImage(std::move(bytes));
}

void run_on_bytes(benchmark::State &state,
                  void (*on_bytes)(const char *, WorkingImage &, bool), const char *word) {
  bench::QuietStderr quiet;
  for (auto _ : state) {
    WorkingImage image = fresh_byte_copy(state);
    on_bytes(word, image, false);
    benchmark::DoNotOptimize(&image);
  }
  bench::report_megapixels(state);
}

void BM_Scaling(benchmark::State &state, const char *word) { run_handler(state, scaling, word); }
BENCHMARK_CAPTURE(BM_Scaling, half, "0.5")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Scaling, point_three, "0.3")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Scaling, point_seven, "0.7")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Scaling, double_unsmoothed, "2,2,0")->Unit(benchmark::kMillisecond);

void BM_ScalingBytes(benchmark::State &state, const char *word) {
  run_on_bytes(state, scaling_bytes, word);
}
BENCHMARK_CAPTURE(BM_ScalingBytes, half, "0.5")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ScalingBytes, point_three, "0.3")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ScalingBytes, point_seven, "0.7")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ScalingBytes, point_nine_nine_nine, "0.999")
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

void BM_CompressionBytes(benchmark::State &state, const char *word) {
  run_on_bytes(state, compression_bytes, word);
}
BENCHMARK_CAPTURE(BM_CompressionBytes, by_2, "2")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CompressionBytes, by_3, "3")->Unit(benchmark::kMillisecond);

void BM_Crop(benchmark::State &state, const char *word) { run_handler(state, crop, word); }
BENCHMARK_CAPTURE(BM_Crop, centre_quarter, "1500,1000,4500,3000")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Crop, aspect_16_9, "-16,-9")->Unit(benchmark::kMillisecond);

void BM_Framing(benchmark::State &state, const char *word) { run_handler(state, framing, word); }
BENCHMARK_CAPTURE(BM_Framing, default_frame, "x")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace photofilter
