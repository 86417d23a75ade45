// region_noise_reduction equals region_noise_reduction_plain for every
// image, radii and steps. Why: the plain kernel changes a sample of a
// channel group only where the group's window is whole, in the group's
// horizontal pass and then in its vertical pass, reading the line's values
// before the pass; the colour group leaves aux alone and the aux group the
// colours, so the two groups may run as separate passes. The passes
// (running_window_rows.h, running_window_columns.h) give every sample the
// rule's value for the same window sum, window size and old value, the
// rule leaves samples whose window is cut off by a line end as they are,
// and its division-free form gives the value of the rule as defined
// (region_rule.h).
#include <algorithm>
#include <array>

#include "image/kernels.h"
#include "image/multiversion.h"
#include "image/parallel.h"
#include "image/region_rule.h"
#include "image/running_window_columns.h"
#include "image/running_window_rows.h"

namespace photofilter {
namespace {

using region_rule::StepTowardMeanRule;

PHOTOFILTER_MULTIVERSION void step_rows(Image &image, int32_t radius, StepTowardMeanRule rule,
                                         int32_t y0, int32_t y1) {
  running_window::horizontal_pass(image, radius, rule, y0, y1);
}

PHOTOFILTER_MULTIVERSION void step_columns(Image &image, int32_t radius,
                                            StepTowardMeanRule rule, int32_t x0, int32_t x1) {
  running_window::vertical_pass(image, radius, rule, x0, x1);
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
  // Rows in bands or columns in blocks over the run's threads: every line
  // is passed on its own.
  if (horizontal) {
    split_rows(image, [&](int32_t y0, int32_t y1) { step_rows(image, radius, rule, y0, y1); });
  } else {
    split_columns(image,
                  [&](int32_t x0, int32_t x1) { step_columns(image, radius, rule, x0, x1); });
  }
}

}  // namespace

void region_noise_reduction(Image &image, int32_t rgb_radius, int32_t r_step, int32_t g_step,
                            int32_t b_step, int32_t aux_radius, int32_t aux_step) {
  using region_rule::capped_step;
  const std::array<int32_t, 4> colour_steps = {capped_step(r_step), capped_step(g_step),
                                               capped_step(b_step), 0};
  const std::array<int32_t, 4> aux_steps = {0, 0, 0, capped_step(aux_step)};
  for (bool horizontal : {true, false}) {
    group_pass(image, rgb_radius, colour_steps, horizontal);
    group_pass(image, aux_radius, aux_steps, horizontal);
  }
}

}  // namespace photofilter
