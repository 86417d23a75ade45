// The cycles of a noise command on either image type: `once` applied
// `cycles` times, each cycle timed with its label, then the closing line.
#pragma once

#include "image/step_timer.h"

namespace photofilter {

template <typename Once>
void timed_cycles(int cycles, const char *cycle_label, const char *done_label, Once once) {
  for (int cycle = 0; cycle < cycles; ++cycle) {
    once();
    step_timer(cycle_label);
  }
  step_timer(done_label);
}

}  // namespace photofilter
