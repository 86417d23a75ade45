#include <algorithm>

#include "image/kernels.h"
#include "image/running_window.h"
#include "image/sample.h"

namespace photofilter {
namespace {

// A step of 65536 or more saturates every moved sample, so larger steps
// are capped there; the results are the same and nothing overflows.
constexpr int64_t kLargestDistinctStep = 65536;

// New value = (w*sum/count + v) / (w + 1), in this order, truncated.
struct AveragingRule {
  double weight;
  double weight_plus_one;

  static constexpr bool changes_lane(int lane) { return lane < 3; }

  template <typename Sum>
  int16_t operator()(int, Sum sum, int32_t window, int16_t value) const {
    return truncate_to_sample((weight * static_cast<double>(sum) / window + value) /
                              weight_plus_one);
  }
};

// New value = v moved by `step` toward the truncated window mean.
struct StepRule {
  int64_t step;

  static constexpr bool changes_lane(int lane) { return lane < 3; }

  template <typename Sum>
  int16_t operator()(int, Sum sum, int32_t window, int16_t value) const {
    const int64_t mean = running_window::truncated_mean(sum, window);
    if (value > mean) return saturate_sample(value - step);
    if (value < mean) return saturate_sample(value + step);
    return value;
  }
};

template <typename Rule>
void blur_both_ways(Image &image, int32_t radius, const Rule &rule) {
  running_window::horizontal_pass(image, radius, rule);
  running_window::vertical_pass(image, radius, rule);
}

}  // namespace

void weighted_blur(Image &image, int32_t radius, double weight) {
  int64_t step = 0;
  if (weight < 0) step = truncate_to<int64_t>(0.999 - weight);
  if (step >= 1) {
    blur_both_ways(image, radius, StepRule{std::min(step, kLargestDistinctStep)});
  } else {
    blur_both_ways(image, radius, AveragingRule{weight, weight + 1});
  }
}

}  // namespace photofilter
