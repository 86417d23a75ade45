// The geometry commands on a generated 24-megapixel photo-like image.
#include <benchmark/benchmark.h>

#include "bench_support.h"
#include "filters/geometry/geometry_commands.h"

namespace photofilter {
namespace {

using bench::run_handler;

void BM_Scaling(benchmark::State &state, const char *word) { run_handler(state, scaling, word); }
BENCHMARK_CAPTURE(BM_Scaling, half, "0.5")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Scaling, point_three, "0.3")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Scaling, point_seven, "0.7")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Scaling, double_unsmoothed, "2,2,0")->Unit(benchmark::kMillisecond);

void BM_SmoothedScaling(benchmark::State &state, const char *word) {
  run_handler(state, smoothed_scaling, word);
}
BENCHMARK_CAPTURE(BM_SmoothedScaling, half, "0.5")->Unit(benchmark::kMillisecond);

void BM_Compression(benchmark::State &state, const char *word) {
  run_handler(state, compression, word);
}
BENCHMARK_CAPTURE(BM_Compression, by_2, "2")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Compression, by_4, "4")->Unit(benchmark::kMillisecond);

void BM_Crop(benchmark::State &state, const char *word) { run_handler(state, crop, word); }
BENCHMARK_CAPTURE(BM_Crop, centre_quarter, "1500,1000,4500,3000")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Crop, aspect_16_9, "-16,-9")->Unit(benchmark::kMillisecond);

void BM_Framing(benchmark::State &state, const char *word) { run_handler(state, framing, word); }
BENCHMARK_CAPTURE(BM_Framing, default_frame, "x")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace photofilter
