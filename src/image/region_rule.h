// The region noise reduction's rule for one sample: as it is defined (the
// plain kernel applies it so), then in the division-free form the fast
// passes apply, with the argument that it gives the same value.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

#include "image/exact_quotients.h"
#include "image/multiversion.h"
#include "image/running_window.h"
#include "image/sample.h"

namespace photofilter::region_rule {

// A sample v, the truncated mean m of its whole window and a step t, tested
// in this order: if v >= m + t the sample becomes v - t; otherwise, if
// v <= m - t, it becomes v + t; otherwise it stays. Applied as written for
// any sign of t; t = 0 changes nothing.
inline int16_t region_step(int16_t value, int64_t mean, int32_t step) {
  if (value >= mean + step) return saturate_sample(int64_t{value} - step);
  if (value <= mean - step) return saturate_sample(int64_t{value} + step);
  return value;
}

// Beyond +-65536 a step either changes nothing or saturates the sample in
// the same way as the capped step, so the fast form caps steps there and
// stays within 32 bits.
inline int32_t capped_step(int32_t step) { return std::clamp(step, -65536, 65536); }

constexpr struct {
  int32_t lo = INT16_MIN - 1;
  int32_t hi = INT16_MAX + 1;
} kBeyondMeans;

// The rule with a step per lane (0 for lanes the group does not touch,
// which the rule then leaves unchanged), following the rule concept of
// running_window.h. It applies only where the window is whole
// (2*radius+1 samples): a window cut off by a line end leaves the sample
// alone, as the plain kernel never reaches such samples.
struct StepTowardMeanRule {
  int32_t full_window;
  std::array<int32_t, kSamplesPerPixel> steps;

  std::array<int32_t, kSamplesPerPixel> lane_pattern() const { return steps; }

  struct WindowRule {
    int32_t window;
    bool whole;

    // v >= m + t is m <= v - t, and v <= m - t is m >= v + t; both are
    // tested through the ranges of sums whose mean is a given value. The
    // mean lies in the 16-bit range, so v - t and v + t are clamped just
    // beyond it without changing either test.
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

  WindowRule for_window(int32_t window) const { return WindowRule{window, window == full_window}; }
};

}  // namespace photofilter::region_rule
