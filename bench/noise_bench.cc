// The noise-reduction commands on the generated 24-megapixel photo.
#include <benchmark/benchmark.h>

#include "bench_support.h"
#include "filters/noise/noise_commands.h"

namespace photofilter {
namespace {

using bench::run_handler;

void BM_NoiseReduction(benchmark::State &state) { run_handler(state, noise_reduction, "2"); }
BENCHMARK(BM_NoiseReduction)->Unit(benchmark::kMillisecond);

void BM_SimpleNoiseReduction(benchmark::State &state) {
  run_handler(state, simple_noise_reduction, "x");
}
BENCHMARK(BM_SimpleNoiseReduction)->Unit(benchmark::kMillisecond);

void BM_ColorNoiseReduction(benchmark::State &state) {
  run_handler(state, color_noise_reduction, "x");
}
BENCHMARK(BM_ColorNoiseReduction)->Unit(benchmark::kMillisecond);

void BM_FnrNoiseReduction(benchmark::State &state) {
  run_handler(state, fnr_noise_reduction, "x");
}
BENCHMARK(BM_FnrNoiseReduction)->Unit(benchmark::kMillisecond);

void BM_SinglePixelRemoval(benchmark::State &state) {
  run_handler(state, single_pixel_removal, "b");
}
BENCHMARK(BM_SinglePixelRemoval)->Unit(benchmark::kMillisecond);

void BM_SinglePixelRemovalHorizontal(benchmark::State &state) {
  run_handler(state, single_pixel_removal, "x");
}
BENCHMARK(BM_SinglePixelRemovalHorizontal)->Unit(benchmark::kMillisecond);

void BM_Blur2(benchmark::State &state) { run_handler(state, blur2, "1"); }
BENCHMARK(BM_Blur2)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace photofilter
