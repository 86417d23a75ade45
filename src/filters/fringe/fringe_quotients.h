// Exact integer answers to the extended-precision tests of the fringe
// corrections, without dividing. The window tests ask them for every pixel
// they visit, and a highlight's windows overlap so much that each pixel
// near it is visited hundreds of times.
//
// Contract: each function below equals the plain expression of
// fringe_rules.h that its comment names, for every sample-sized argument.
// The proofs stand beside each one; the search first_where finds the turn
// of a monotone test exactly, whatever its starting guess.
#pragma once

#include <cstdint>
#include <vector>

namespace photofilter {

// The smallest n in [low, high] for which holds(n) is true, or high + 1
// when there is none. holds must be monotone: false up to some n, true from
// there on. The search walks from `guess` (clamped into range), so a guess
// close to the answer makes it cheap; the answer does not depend on it.
template <typename Predicate>
int32_t first_where(int32_t low, int32_t high, int64_t guess, Predicate holds) {
  int32_t n =
      static_cast<int32_t>(guess < low ? low : (guess > int64_t{high} + 1 ? high + 1 : guess));
  while (n > low && holds(n - 1)) --n;
  while (n <= high && !holds(n)) ++n;
  return n;
}

// quotient(n, d) < limit (fringe_rules.h) for every sample n and every
// sample-plus-one d, IEEE division by zero included, by a table of the
// numerators below the limit for each denominator.
class QuotientBelow {
 public:
  static constexpr int32_t kLowestNumerator = INT16_MIN;
  static constexpr int32_t kHighestNumerator = INT16_MAX;
  static constexpr int32_t kLowestDenominator = INT16_MIN + 1;
  static constexpr int32_t kHighestDenominator = INT16_MAX + 1;

  explicit QuotientBelow(long double limit);

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

// The smallest green g of a centre that is bright enough: g >= the result
// exactly when bright_enough(slimit, g). The test is monotone in g.
int32_t first_bright_green(double slimit);

// The smallest channel sum s that is not darker than `limit`: s < the
// result exactly when darker_than(s, limit). The test is monotone in s.
int32_t first_sum_not_darker(long double limit);

// too_green(g) is g >= 153: the quotient grows with g, 152 / 255 is
// 0.596..., and 153 / 255 is 0.6, which in extended precision rounds to
// within 2^-64 of 0.6 and so lies above the double 0.6 (about 2^-55 below).
constexpr int32_t kFirstTooGreen = 153;

// too_bright(s) is s >= 459, for the same reason: s / 765 = g / 255 at s = 3g.
constexpr int32_t kFirstTooBrightSum = 459;

// pulled_towards(c, m) is (2c + m) / 3 in integer division. (c + 0.5 m) is
// exact in extended precision, and its exact quotient by 1.5, (2c + m) / 3,
// is an integer or lies at least a third from one; rounding to 64 bits moves
// it far less, so it truncates to the same integer. |2c + m| / 3 <= 32768
// fits a sample.
inline int16_t pulled_towards_exactly(int16_t c, int16_t m) {
  return static_cast<int16_t>((2 * int32_t{c} + m) / 3);
}

// mean_with_minimum(r, r_min) is (r + r_min) / 2 in integer division for
// r_min <= r, r_min <= 30000: the sum is exact, halving it is exact, and
// truncation of a half-integer toward zero is the integer quotient. The
// mean lies between r_min and r, so it fits a sample.
inline int16_t mean_with_minimum_exactly(int32_t r, int32_t r_min) {
  return static_cast<int16_t>((r + r_min) / 2);
}

}  // namespace photofilter
