#include "filters/fringe/quotient_below.h"

#include "image/sample.h"

namespace photofilter {

QuotientBelow::QuotientBelow(long double limit)
    : intervals_(kHighestDenominator - kLowestDenominator + 1) {
  for (int32_t d = kLowestDenominator; d <= kHighestDenominator; ++d) {
    intervals_[d - kLowestDenominator] = numerators_below(limit, d);
  }
}

QuotientBelow::Interval QuotientBelow::numerators_below(long double limit, int32_t d) {
  constexpr Interval kNone{1, 0};
  if (!(limit == limit)) return kNone;  // nothing compares below NaN
  const auto below = [&](int32_t n) { return static_cast<long double>(n) / d < limit; };
  if (d == 0) return below(-1) ? Interval{kLowestNumerator, -1} : kNone;
  // The boundary lies within a step or two of limit * d.
  const int64_t guess = truncate_to<int32_t>(limit * d);
  if (d > 0) {
    const int32_t first_not_below = first_where(kLowestNumerator, kHighestNumerator, guess,
                                                [&](int32_t n) { return !below(n); });
    return {kLowestNumerator, first_not_below - 1};
  }
  return {first_where(kLowestNumerator, kHighestNumerator, guess, below), kHighestNumerator};
}

}  // namespace photofilter
