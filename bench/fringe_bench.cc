// The fringe corrections with their default parameters on the photo-like
// image, whose fringed highlights give them real work.
#include "bench_support.h"
#include "filters/fringe/fringe_commands.h"

namespace photofilter::bench {
namespace {

void BM_RedFringeCorrection(benchmark::State &state) {
  run_handler(state, red_fringe_correction, "x");
}
void BM_BlueFringeCorrection(benchmark::State &state) {
  run_handler(state, blue_fringe_correction, "x");
}
void BM_Rfc1Correction(benchmark::State &state) { run_handler(state, rfc1_correction, "x"); }

BENCHMARK(BM_RedFringeCorrection)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BlueFringeCorrection)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rfc1Correction)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace photofilter::bench
