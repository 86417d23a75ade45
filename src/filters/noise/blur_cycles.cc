#include "filters/noise/blur_cycles.h"

#include <cstdio>

#include "image/kernels.h"
#include "image/step_timer.h"

namespace photofilter {

int32_t cycle_radius(int cycle, int cycles, int last_radius) {
  // |cycle| <= |cycles|, so the quotient is no larger than last_radius.
  const auto radius = static_cast<int32_t>(int64_t{cycle} * last_radius / cycles);
  return radius == 0 ? 1 : radius;
}

void run_blur_cycles(Image &image, int cycles, int last_radius, double weight,
                     const char *label) {
  for (int cycle = 1; cycle <= cycles; ++cycle) {
    const int32_t radius = cycle_radius(cycle, cycles, last_radius);
    std::fprintf(stderr, "cycle %d radius %d\n", cycle, radius);
    weighted_blur(image, radius, weight);
    step_timer(label);
  }
}

}  // namespace photofilter
