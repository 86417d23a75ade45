// The colour corrections on a generated 24-megapixel photo-like image.
#include <benchmark/benchmark.h>

#include "bench_support.h"
#include "filters/color/color_commands.h"

namespace photofilter {
namespace {

using bench::run_handler;

void BM_ColorOffset(benchmark::State &state) {
  run_handler(state, color_offset_correction, "0.04,0,-0.02");
}
BENCHMARK(BM_ColorOffset)->Unit(benchmark::kMillisecond);

void BM_ColorGain(benchmark::State &state) { run_handler(state, color_gain_correction, "1.1,1,0.9"); }
BENCHMARK(BM_ColorGain)->Unit(benchmark::kMillisecond);

void BM_ColorContrast(benchmark::State &state) {
  run_handler(state, color_contrast_correction, "1.5");
}
BENCHMARK(BM_ColorContrast)->Unit(benchmark::kMillisecond);

void BM_ColorSaturation(benchmark::State &state) {
  run_handler(state, color_saturation_correction, "1.3");
}
BENCHMARK(BM_ColorSaturation)->Unit(benchmark::kMillisecond);

void BM_ColorSaturationPerChannel(benchmark::State &state) {
  run_handler(state, color_saturation_correction, "1.3,1.1,0.8");
}
BENCHMARK(BM_ColorSaturationPerChannel)->Unit(benchmark::kMillisecond);

void BM_ColorGamma(benchmark::State &state) { run_handler(state, color_gamma_correction, "2.2"); }
BENCHMARK(BM_ColorGamma)->Unit(benchmark::kMillisecond);

void BM_ColorDithering(benchmark::State &state) { run_handler(state, color_dithering, "1"); }
BENCHMARK(BM_ColorDithering)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace photofilter
