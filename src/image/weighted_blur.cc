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
// left to the rule for infinite and NaN weights. When w + 1 is a power of
// two (as for the usual weight 1) the last division is a multiplication by
// its exact reciprocal: both round the same exact quotient, so the results
// are identical.
template <bool finite_weight, bool power_of_two_divisor>
struct AveragingRule {
  double weight;
  double weight_plus_one;
  double reciprocal;  // 1 / (w + 1), used only when that is exact

  std::array<int32_t, running_window::kLanes> lane_pattern() const { return kColourLanes; }

  template <typename Sum>
  PHOTOFILTER_INLINE int16_t operator()(Sum sum, int32_t window, int16_t value,
                                        int32_t changes) const {
    const double mixed = weight * static_cast<double>(sum) / static_cast<double>(window) + value;
    const double averaged_value =
        power_of_two_divisor ? mixed * reciprocal : mixed / weight_plus_one;
    const int16_t averaged = finite_weight ? truncate_number_to_sample(averaged_value)
                                           : truncate_to_sample(averaged_value);
    return changes ? averaged : value;
  }
};

bool is_power_of_two(double x) {
  int exponent = 0;
  return std::isfinite(x) && x > 0 && std::frexp(x, &exponent) == 0.5;
}

// New value = v moved by the step toward the truncated window mean. The
// lane parameter is the step itself: 0 for aux, which then stays as it is.
struct StepRule {
  int32_t step;

  std::array<int32_t, running_window::kLanes> lane_pattern() const {
    return {step, step, step, 0};
  }

  template <typename Sum>
  PHOTOFILTER_INLINE int16_t operator()(Sum sum, int32_t window, int16_t value,
                                        int32_t lane_step) const {
    const int32_t mean = running_window::truncated_mean(sum, window);
    const int32_t down = value > mean ? lane_step : 0;
    const int32_t up = value < mean ? lane_step : 0;
    return saturate_sample(value - down + up);
  }
};

template <typename Rule>
PHOTOFILTER_INLINE void blur_both_ways(Image &image, int32_t radius, const Rule &rule) {
  running_window::horizontal_pass(image, radius, rule);
  running_window::vertical_pass(image, radius, rule);
}

PHOTOFILTER_MULTIVERSION void blur_by_averaging(Image &image, int32_t radius,
                                                  AveragingRule<true, false> rule) {
  blur_both_ways(image, radius, rule);
}

PHOTOFILTER_MULTIVERSION void blur_by_averaging(Image &image, int32_t radius,
                                                  AveragingRule<true, true> rule) {
  blur_both_ways(image, radius, rule);
}

void blur_by_averaging(Image &image, int32_t radius, AveragingRule<false, false> rule) {
  blur_both_ways(image, radius, rule);
}

PHOTOFILTER_MULTIVERSION void blur_by_steps(Image &image, int32_t radius, StepRule rule) {
  blur_both_ways(image, radius, rule);
}

}  // namespace

void weighted_blur(Image &image, int32_t radius, double weight) {
  int64_t step = 0;
  if (weight < 0) step = truncate_to<int64_t>(0.999 - weight);
  if (step >= 1) {
    blur_by_steps(image, radius,
                  StepRule{static_cast<int32_t>(std::min(step, kLargestDistinctStep))});
  } else {
    const double divisor = weight + 1;
    if (!std::isfinite(weight)) {
      blur_by_averaging(image, radius, AveragingRule<false, false>{weight, divisor, 0.0});
    } else if (is_power_of_two(divisor)) {
      blur_by_averaging(image, radius, AveragingRule<true, true>{weight, divisor, 1 / divisor});
    } else {
      blur_by_averaging(image, radius, AveragingRule<true, false>{weight, divisor, 0.0});
    }
  }
}

}  // namespace photofilter
