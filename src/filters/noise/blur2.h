// The cycles of "-b2" on either image type: each cycle replaces the image
// by its 2x2 block means, one pixel narrower and lower. Once the image is
// empty the remaining cycles have nothing to do and are not run, so a huge
// count costs nothing.
#pragma once

#include "filters/noise/noise_plans.h"
#include "image/block_mean.h"
#include "image/step_timer.h"

namespace photofilter {

template <typename AnyImage>
void blur2_cycles(const Blur2Plan &p, AnyImage &image) {
  for (int32_t cycle = 0; cycle < p.cycles_run; ++cycle) {
    shrink_by_block_mean(image);
    step_timer("blur2 cycle done");
  }
  step_timer("blur2 done");
}

}  // namespace photofilter
