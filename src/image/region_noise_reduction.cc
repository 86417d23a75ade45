#include "image/kernels.h"
#include "image/running_window.h"
#include "image/sample.h"

namespace photofilter {
namespace {

// The step rule on lanes first .. last, each with its own step, applied
// only where the window is whole (2*radius+1 samples): a window cut off by
// a line end leaves the sample alone.
template <int first, int last>
struct StepTowardMeanRule {
  int32_t full_window;
  int64_t steps[running_window::kLanes];

  static constexpr bool changes_lane(int lane) { return lane >= first && lane <= last; }

  template <typename Sum>
  int16_t operator()(int lane, Sum sum, int32_t window, int16_t value) const {
    if (window != full_window) return value;
    const int64_t mean = running_window::truncated_mean(sum, window);
    const int64_t step = steps[lane];
    if (value >= mean + step) return saturate_sample(value - step);
    if (value <= mean - step) return saturate_sample(value + step);
    return value;
  }
};

using ColourRule = StepTowardMeanRule<0, 2>;
using AuxRule = StepTowardMeanRule<3, 3>;

// The radius and full window size as the rule sees them: a radius below 0
// counts as 0, and a window longer than the line is never whole.
template <typename Rule>
void run_pass(Image &image, int32_t radius, int64_t r_step, int64_t g_step, int64_t b_step,
              int64_t aux_step, bool horizontal) {
  radius = std::max(radius, 0);
  const int64_t full_window = 2 * int64_t{radius} + 1;
  const int32_t n = horizontal ? image.nx : image.ny;
  if (full_window > n) return;
  const Rule rule{static_cast<int32_t>(full_window), {r_step, g_step, b_step, aux_step}};
  if (horizontal) {
    running_window::horizontal_pass(image, radius, rule);
  } else {
    running_window::vertical_pass(image, radius, rule);
  }
}

}  // namespace

void region_noise_reduction(Image &image, int32_t rgb_radius, int32_t r_step, int32_t g_step,
                            int32_t b_step, int32_t aux_radius, int32_t aux_step) {
  for (bool horizontal : {true, false}) {
    run_pass<ColourRule>(image, rgb_radius, r_step, g_step, b_step, 0, horizontal);
    if (aux_step != 0) run_pass<AuxRule>(image, aux_radius, 0, 0, 0, aux_step, horizontal);
  }
}

}  // namespace photofilter
