#include <algorithm>
#include <array>

#include "image/kernels.h"
#include "image/running_window.h"
#include "image/sample.h"

namespace photofilter {
namespace {

// Beyond +-65536 a step either changes nothing or saturates the sample in
// the same way as the capped step, so steps are capped there and the rule
// stays within 32 bits.
int32_t capped_step(int32_t step) { return std::clamp(step, -65536, 65536); }

// The step rule with a step per lane (0 for lanes the group does not
// touch, which the rule then leaves unchanged), applied only where the
// window is whole (2*radius+1 samples): a window cut off by a line end
// leaves the sample alone.
struct StepTowardMeanRule {
  int32_t full_window;
  std::array<int32_t, running_window::kLanes> steps;

  std::array<int32_t, running_window::kLanes> lane_pattern() const { return steps; }

  template <typename Sum>
  PHOTOFILTER_INLINE int16_t operator()(Sum sum, int32_t window, int16_t value,
                                        int32_t step) const {
    const int32_t mean = running_window::truncated_mean(sum, window);
    const bool above = value >= mean + step;
    const bool below = !above && value <= mean - step;
    const int32_t down = above ? step : 0;
    const int32_t up = below ? step : 0;
    const int16_t moved = saturate_sample(value - down + up);
    return window == full_window ? moved : value;
  }
};

PHOTOFILTER_MULTIVERSION void step_rows(Image &image, int32_t radius,
                                         StepTowardMeanRule rule) {
  running_window::horizontal_pass(image, radius, rule);
}

PHOTOFILTER_MULTIVERSION void step_columns(Image &image, int32_t radius,
                                            StepTowardMeanRule rule) {
  running_window::vertical_pass(image, radius, rule);
}

// One pass of one channel group. A radius below 0 counts as 0, and a
// window longer than the line is never whole, so such a pass changes
// nothing.
void group_pass(Image &image, int32_t radius, const std::array<int32_t, 4> &steps,
                bool horizontal) {
  radius = std::max(radius, 0);
  const int64_t full_window = 2 * int64_t{radius} + 1;
  if (full_window > (horizontal ? image.nx : image.ny)) return;
  if (steps == std::array<int32_t, 4>{}) return;
  const StepTowardMeanRule rule{static_cast<int32_t>(full_window), steps};
  if (horizontal) {
    step_rows(image, radius, rule);
  } else {
    step_columns(image, radius, rule);
  }
}

}  // namespace

void region_noise_reduction(Image &image, int32_t rgb_radius, int32_t r_step, int32_t g_step,
                            int32_t b_step, int32_t aux_radius, int32_t aux_step) {
  const std::array<int32_t, 4> colour_steps = {capped_step(r_step), capped_step(g_step),
                                               capped_step(b_step), 0};
  const std::array<int32_t, 4> aux_steps = {0, 0, 0, capped_step(aux_step)};
  for (bool horizontal : {true, false}) {
    group_pass(image, rgb_radius, colour_steps, horizontal);
    group_pass(image, aux_radius, aux_steps, horizontal);
  }
}

}  // namespace photofilter
