// The edge-contrast commands on the generated 24-megapixel photo, and their
// pixel pass alone, in the lanes and by the plain rule (the blurred copy
// made once, outside the timing).
#include <benchmark/benchmark.h>

#include "bench_support.h"
#include "filters/edge/edge_commands.h"
#include "filters/edge/edge_contrast_scaling.h"
#include "image/kernels.h"

namespace photofilter {
namespace {

using bench::run_handler;

void BM_EdgeContrast(benchmark::State &state) { run_handler(state, edge_contrast, "x"); }
BENCHMARK(BM_EdgeContrast)->Unit(benchmark::kMillisecond);

void BM_EdgeContrast1(benchmark::State &state) { run_handler(state, edge_contrast1, "2,2"); }
BENCHMARK(BM_EdgeContrast1)->Unit(benchmark::kMillisecond);

void scale_pass(benchmark::State &state, void (*scale)(Image &, const Image &, double, int,
                                                       EdgeFactor)) {
  const Image &photo = bench::photo();
  Image blurred = photo.scratch_copy();
  weighted_blur(blurred, 1, 1.0);
  for (auto _ : state) {
    Image &image = bench::fresh_copy(state);
    scale(image, blurred, 1.0, 255, static_cast<EdgeFactor>(state.range(0)));
  }
  bench::report_megapixels(state);
}

void BM_EdgeScalePass(benchmark::State &state) { scale_pass(state, scale_by_edge_factors); }
BENCHMARK(BM_EdgeScalePass)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_EdgeScalePassPlain(benchmark::State &state) {
  scale_pass(state, scale_by_edge_factors_plainly);
}
BENCHMARK(BM_EdgeScalePassPlain)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace photofilter
