// Exact answers to "is the extended-precision quotient n / d below a
// limit?" for sample-sized n and d, without dividing. The window tests of
// the fringe corrections ask this for every pixel they visit, and a
// highlight's windows overlap so much that each pixel near it is visited
// hundreds of times; a table of bounds per denominator turns the x87
// division into two integer comparisons with the same outcome.
#pragma once

#include <cstdint>
#include <vector>

namespace photofilter {

// The smallest n in [low, high] for which holds(n) is true, or high + 1
// when there is none. holds must be monotone: false up to some n, true from
// there on. The search walks from `guess` (clamped into range), so a guess
// close to the answer makes it cheap.
template <typename Predicate>
int32_t first_where(int32_t low, int32_t high, int64_t guess, Predicate holds) {
  int32_t n =
      static_cast<int32_t>(guess < low ? low : (guess > int64_t{high} + 1 ? high + 1 : guess));
  while (n > low && holds(n - 1)) --n;
  while (n <= high && !holds(n)) ++n;
  return n;
}

class QuotientBelow {
 public:
  // Numerators are samples; denominators are a sample plus one.
  static constexpr int32_t kLowestNumerator = INT16_MIN;
  static constexpr int32_t kHighestNumerator = INT16_MAX;
  static constexpr int32_t kLowestDenominator = INT16_MIN + 1;
  static constexpr int32_t kHighestDenominator = INT16_MAX + 1;

  explicit QuotientBelow(long double limit);

  // (long double)n / d < limit, IEEE division by zero included.
  bool operator()(int32_t n, int32_t d) const {
    const Interval &below = intervals_[d - kLowestDenominator];
    return below.low <= n && n <= below.high;
  }

 private:
  // For one denominator the numerators whose quotient is below the limit
  // form one interval: the quotient is monotone in n (for d = 0 it is -inf
  // for n < 0, NaN at 0 and +inf above).
  struct Interval {
    int32_t low, high;
  };
  static Interval numerators_below(long double limit, int32_t d);

  std::vector<Interval> intervals_;
};

}  // namespace photofilter
