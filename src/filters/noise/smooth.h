// The cycles of "-s" on either image type: the blur applied `cycles` times,
// each cycle timed.
#pragma once

#include "filters/noise/noise_plans.h"
#include "image/step_timer.h"

namespace photofilter {

template <typename BlurOnce>
void smooth_cycles(const SmoothPlan &p, BlurOnce blur_once) {
  for (int cycle = 0; cycle < p.cycles; ++cycle) {
    blur_once();
    step_timer("smooth cycle ");
  }
  step_timer("smooth done");
}

}  // namespace photofilter
