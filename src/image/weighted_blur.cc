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

// The lane parameter of the averaging rules masks the colour lanes (all
// bits set) from aux (none), which is kept.
constexpr std::array<int32_t, running_window::kLanes> kColourLanes = {-1, -1, -1, 0};

// The new value in the lanes the mask marks, the old one elsewhere. Masking
// rather than choosing keeps the loops free of branches: the compiler
// will not compute a conversion from floating point for a lane that a
// choice leaves out.
PHOTOFILTER_INLINE int16_t masked(int32_t new_value, int16_t value, int32_t mask) {
  return static_cast<int16_t>((new_value & mask) | (value & ~mask));
}

// New value = (w*sum/count + v) / (w + 1), in this order, truncated.
// With a finite weight no step can give NaN (an overflow gives an infinity
// of the right sign), so the NaN test, which costs a third of the pass, is
// left to the rule for infinite and NaN weights. When w + 1 is a power of
// two the last division is a multiplication by its exact reciprocal: both
// round the same exact quotient, so the results are identical. This is the
// rule for any weight; integer weights take the exact rules below instead.
template <bool finite_weight, bool power_of_two_divisor>
struct AveragingRule {
  double weight;
  double weight_plus_one;
  double reciprocal;  // 1 / (w + 1), used only when that is exact

  std::array<int32_t, running_window::kLanes> lane_pattern() const { return kColourLanes; }

  struct Lanes {
    AveragingRule rule;
    double window;

    template <typename Sum>
    PHOTOFILTER_INLINE int16_t operator()(Sum sum, int16_t value, int32_t changes) const {
      const double mixed = rule.weight * static_cast<double>(sum) / window + value;
      const double averaged_value =
          power_of_two_divisor ? mixed * rule.reciprocal : mixed / rule.weight_plus_one;
      const int16_t averaged = finite_weight ? truncate_number_to_sample(averaged_value)
                                             : truncate_to_sample(averaged_value);
      return masked(averaged, value, changes);
    }
  };

  Lanes for_window(int32_t window) const { return Lanes{*this, static_cast<double>(window)}; }
};

// The same rule for an integer weight w >= 0 is exact integer arithmetic.
// With N = w*S + c*v and D = c*(w + 1) (S the window sum, c the window size,
// v the old value) the rule's exact value is N / D, which lies in the
// 16-bit range. Whenever D < 2^35 the double formula above truncates to
// trunc(N / D):
// - if N / D is an integer k, then c divides w*S, so w*S/c, the sum with v
//   and the quotient by w + 1 are all exact and give k;
// - otherwise N / D lies at least 1/D > 2^-35 from every integer, while
//   the formula's three correctly rounded steps, on values below
//   2^15 * (w + 1) that are then divided by w + 1, stay within
//   3 * 2^15 * 2^-53 < 2^-36 of N / D, so both truncate alike.
// Every integer here is exact in a double: |w*S| and |c*v| are below
// D * 2^15 < 2^50. So the rules below compute trunc(N / D) instead: in
// doubles without a division, or, when D < 2^16 (then |N| < 2^31), in
// 32-bit integers, eight lanes to a vector.
// Number is double with a Divisor, or int32_t with a SmallDivisor when
// D < 2^16 (then |S| <= c * 2^15 and |N| <= D * 2^15 stay below 2^31).
template <typename Number, typename DivisorOfNumber>
struct IntegerWeightRuleIn {
  Number weight;

  std::array<int32_t, running_window::kLanes> lane_pattern() const { return kColourLanes; }

  struct Lanes {
    Number weight;
    Number window;
    DivisorOfNumber divisor;

    template <typename Sum>
    PHOTOFILTER_INLINE int16_t operator()(Sum sum, int16_t value, int32_t changes) const {
      const Number numerator = weight * static_cast<Number>(sum) + window * value;
      return masked(running_window::truncated_quotient(numerator, divisor), value, changes);
    }
  };

  Lanes for_window(int32_t window) const {
    const auto c = static_cast<Number>(window);
    return Lanes{weight, c, DivisorOfNumber(c * (weight + 1))};
  }
};
using IntegerWeightRule = IntegerWeightRuleIn<double, running_window::Divisor>;
using SmallIntegerWeightRule = IntegerWeightRuleIn<int32_t, running_window::SmallDivisor>;

// New value = v moved by the step toward the truncated window mean m. The
// lane parameter is the step itself: 0 for aux, which then stays as it
// is. m is compared with v through the range of sums whose mean is v.
struct StepRule {
  int32_t step;

  std::array<int32_t, running_window::kLanes> lane_pattern() const {
    return {step, step, step, 0};
  }

  struct Lanes {
    int32_t window;

    template <typename Sum>
    PHOTOFILTER_INLINE int16_t operator()(Sum sum, int16_t value, int32_t lane_step) const {
      const Sum low = running_window::quotient_range_low<Sum>(sum, window, value);
      const int32_t down = sum < low ? lane_step : 0;                 // m < v
      const int32_t up = sum > low + (window - 1) ? lane_step : 0;  // m > v
      return saturate_sample(value - down + up);
    }
  };

  Lanes for_window(int32_t window) const { return Lanes{window}; }
};

bool is_power_of_two(double x) {
  int exponent = 0;
  return std::isfinite(x) && x > 0 && std::frexp(x, &exponent) == 0.5;
}

// The most samples a window of a blur with this radius holds, in either
// pass.
int64_t largest_window(const Image &image, int32_t radius) {
  const int64_t longest_line = std::max(image.nx, image.ny);
  return std::min(2 * int64_t{std::max(radius, 0)} + 1, longest_line);
}

// Calls act(rule) with the rule for this weight: all of them give the same
// results, the exact integer ones only where their bounds hold for every
// window up to `largest` samples.
template <typename Act>
void with_rule(double weight, int64_t largest, Act &&act) {
  int64_t step = 0;
  if (weight < 0) step = truncate_to<int64_t>(0.999 - weight);
  if (step >= 1) {
    act(StepRule{static_cast<int32_t>(std::min(step, kLargestDistinctStep))});
    return;
  }
  const double divisor = weight + 1;
  const bool integer_weight = weight >= 0 && weight == std::trunc(weight);
  const double largest_divisor = static_cast<double>(largest) * divisor;
  if (integer_weight && largest_divisor < 65536) {
    act(SmallIntegerWeightRule{static_cast<int32_t>(weight)});
  } else if (integer_weight && largest_divisor < running_window::kExactDivisorLimit) {
    act(IntegerWeightRule{weight});
  } else if (!std::isfinite(weight)) {
    act(AveragingRule<false, false>{weight, divisor, 0.0});
  } else if (is_power_of_two(divisor)) {
    act(AveragingRule<true, true>{weight, divisor, 1 / divisor});
  } else {
    act(AveragingRule<true, false>{weight, divisor, 0.0});
  }
}

template <typename Rule>
PHOTOFILTER_MULTIVERSION void blur_both_ways(Image &image, int32_t radius, Rule rule) {
  running_window::horizontal_pass(image, radius, rule);
  running_window::vertical_pass(image, radius, rule);
}

template <typename Rule>
PHOTOFILTER_MULTIVERSION void blur_at_points(Image &image, int32_t radius, Rule rule,
                                             std::span<const int32_t> columns,
                                             std::span<const int32_t> rows, Pixel *out) {
  running_window::sampled_passes(image, radius, rule, columns, rows, out);
}

}  // namespace

void weighted_blur(Image &image, int32_t radius, double weight) {
  if (weight == 0) return;  // (0*S/c + v) / 1 is v
  with_rule(weight, largest_window(image, radius),
            [&](auto rule) { blur_both_ways(image, radius, rule); });
}

void weighted_blur_sampled(Image &image, int32_t radius, double weight,
                           std::span<const int32_t> columns, std::span<const int32_t> rows,
                           Pixel *out) {
  with_rule(weight, largest_window(image, radius),
            [&](auto rule) { blur_at_points(image, radius, rule, columns, rows, out); });
}

}  // namespace photofilter
