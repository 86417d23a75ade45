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

constexpr struct {
  int32_t lo = INT16_MIN - 1;
  int32_t hi = INT16_MAX + 1;
} kBeyondMeans;

// The step rule with a step per lane (0 for lanes the group does not
// touch, which the rule then leaves unchanged), applied only where the
// window is whole (2*radius+1 samples): a window cut off by a line end
// leaves the sample alone.
struct StepTowardMeanRule {
  int32_t full_window;
  std::array<int32_t, running_window::kLanes> steps;

  std::array<int32_t, running_window::kLanes> lane_pattern() const { return steps; }

  struct Lanes {
    int32_t window;
    bool whole;

    // m <= v - t and m >= v + t, through the ranges of sums whose mean is
    // a given value. The mean lies in the 16-bit range, so v - t and v + t
    // are clamped just beyond it without changing either test.
    template <typename Sum>
    PHOTOFILTER_INLINE int16_t operator()(Sum sum, int16_t value, int32_t step) const {
      const Sum at_most = std::clamp(value - step, kBeyondMeans.lo, kBeyondMeans.hi);
      const Sum at_least = std::clamp(value + step, kBeyondMeans.lo, kBeyondMeans.hi);
      const bool above =
          sum <= running_window::quotient_range_low<Sum>(sum, window, at_most) + (window - 1);
      const bool below =
          !above && sum >= running_window::quotient_range_low<Sum>(sum, window, at_least);
      const int32_t down = above ? step : 0;
      const int32_t up = below ? step : 0;
      const int16_t moved = saturate_sample(value - down + up);
      return whole ? moved : value;
    }
  };

  Lanes for_window(int32_t window) const {
    return Lanes{window, window == full_window};
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
