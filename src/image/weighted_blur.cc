#include <algorithm>
#include <array>
#include <cmath>

#include "image/kernels.h"
#include "image/running_window.h"
#include "image/sample.h"

namespace photofilter {
namespace {

// A step of 65536 or more saturates every moved sample, so larger steps
// are capped there; the results are the same and nothing overflows.
constexpr int64_t kLargestDistinctStep = 65536;

// Lane parameter 1 marks the colour lanes; aux (parameter 0) is kept.
constexpr std::array<int32_t, running_window::kLanes> kColourLanes = {1, 1, 1, 0};

// New value = (w*sum/count + v) / (w + 1), in this order, truncated.
// With a finite weight no step can give NaN (an overflow gives an infinity
// of the right sign), so the NaN test, which costs a third of the pass, is
// left to the rule for infinite and NaN weights.
template <bool finite_weight>
struct AveragingRule {
  double weight;
  double weight_plus_one;

  std::array<int32_t, running_window::kLanes> lane_pattern() const { return kColourLanes; }

  template <typename Sum>
  PHOTOFILTER_INLINE int16_t operator()(Sum sum, int32_t window, int16_t value,
                                        int32_t changes) const {
    const double averaged_value =
        (weight * static_cast<double>(sum) / static_cast<double>(window) + value) /
        weight_plus_one;
    const int16_t averaged = finite_weight ? truncate_number_to_sample(averaged_value)
                                           : truncate_to_sample(averaged_value);
    return changes ? averaged : value;
  }
};

// New value = v moved by `step` toward the truncated window mean.
struct StepRule {
  int32_t step;

  std::array<int32_t, running_window::kLanes> lane_pattern() const { return kColourLanes; }

  template <typename Sum>
  PHOTOFILTER_INLINE int16_t operator()(Sum sum, int32_t window, int16_t value,
                                        int32_t changes) const {
    const int32_t mean = running_window::truncated_mean(sum, window);
    const int32_t down = value > mean ? step : 0;
    const int32_t up = value < mean ? step : 0;
    const int16_t moved = saturate_sample(value - down + up);
    return changes ? moved : value;
  }
};

PHOTOFILTER_MULTIVERSION void blur_by_averaging(Image &image, int32_t radius,
                                                  AveragingRule<true> rule) {
  running_window::horizontal_pass(image, radius, rule);
  running_window::vertical_pass(image, radius, rule);
}

void blur_by_averaging_any_weight(Image &image, int32_t radius, AveragingRule<false> rule) {
  running_window::horizontal_pass(image, radius, rule);
  running_window::vertical_pass(image, radius, rule);
}

PHOTOFILTER_MULTIVERSION void blur_by_steps(Image &image, int32_t radius, StepRule rule) {
  running_window::horizontal_pass(image, radius, rule);
  running_window::vertical_pass(image, radius, rule);
}

}  // namespace

void weighted_blur(Image &image, int32_t radius, double weight) {
  int64_t step = 0;
  if (weight < 0) step = truncate_to<int64_t>(0.999 - weight);
  if (step >= 1) {
    blur_by_steps(image, radius,
                  StepRule{static_cast<int32_t>(std::min(step, kLargestDistinctStep))});
  } else {
    if (std::isfinite(weight)) {
      blur_by_averaging(image, radius, AveragingRule<true>{weight, weight + 1});
    } else {
      blur_by_averaging_any_weight(image, radius, AveragingRule<false>{weight, weight + 1});
    }
  }
}

}  // namespace photofilter
