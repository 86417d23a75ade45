// Exact truncated quotients without a division, for the division-free
// forms of the kernel rules: a quotient by a divisor worked out once per
// window size, and the range of numerators that have a given quotient.
#pragma once

#include <cmath>
#include <cstdint>

#include "image/multiversion.h"

namespace photofilter::running_window {

// A divisor d is an integer below 2^35 held in a double, with its rounded
// reciprocal. For an integer numerator n with |n| < 2^53 and
// |n / d| <= 2^15, x = n * (1/d) carries two correctly rounded steps, a
// relative error below 2^-51, so x lies within 2^15 * 2^-51 = 2^-36 of
// n / d. A quotient that is not an integer lies at least 1/d > 2^-35 from
// every integer, so x truncates as n / d does (the same open interval
// between two integers, on the same side of 0). A quotient k that is an
// integer may come out a hair on either side of k, but then x rounds to
// the nearest integer k, and k * d == n holds exactly (|k * d| < 2^51);
// for any other quotient no integer times d equals n.
struct Divisor {
  double value;
  double reciprocal;

  explicit Divisor(double d) : value(d), reciprocal(1 / d) {}
};

// Divisors of this size or more are outside the proof above.
constexpr double kExactDivisorLimit = 34359738368.0;  // 2^35

// trunc(n / d) for n and d as above. The conversion to an integer does the
// truncation (std::trunc followed by the conversion keeps the loops from
// vectorising), and its argument lies within the 16-bit range, give or
// take 2^-36.
PHOTOFILTER_INLINE int32_t truncated_quotient(double n, const Divisor &d) {
  const double x = n * d.reciprocal;
  const double nearest = std::nearbyint(x);
  return static_cast<int32_t>(nearest * d.value == n ? nearest : x);
}

// The numerators whose truncated quotient by d is u form the range
// low .. low + d - 1, with low = d*u for numerators of 0 or more (where
// truncation is the floor) and low = d*u - (d - 1) for negative ones
// (where it is the ceiling). `low` takes the side of the numerator n it
// is given, so that for that n
//   trunc(n / d) < u  exactly when  n < low,
//   trunc(n / d) > u  exactly when  n > low + d - 1.
// Int is int32_t where d * (|u| + 1) fits 32 bits, else int64_t.
template <typename Int>
PHOTOFILTER_INLINE Int quotient_range_low(Int n, Int d, Int u) {
  return d * u - (n < 0 ? d - 1 : 0);
}

// trunc(n / d) in 32-bit integers for 0 < d < 2^16 and |n / d| <= 2^15 (so
// |n| < 2^31). The float estimate x = n * (1/d) carries three rounding
// steps of relative error 2^-24 each, so it lies within 3 * 2^15 * 2^-24 <
// 0.01 of n / d, and its truncation e within 1 of the quotient. The
// remainder r = n - d*e, below 2d in magnitude, tells which: with low as
// above for u = e, the quotient is e - 1 when r < low - d*e and e + 1 when
// r > low - d*e + d - 1. d*e may leave 32 bits at the very ends of the
// range, so r is taken modulo 2^32, which leaves its small value exact.
struct SmallDivisor {
  int32_t value;
  float reciprocal;

  explicit SmallDivisor(int32_t d) : value(d), reciprocal(1.0f / static_cast<float>(d)) {}
};

PHOTOFILTER_INLINE int32_t truncated_quotient(int32_t n, const SmallDivisor &d) {
  const auto estimate = static_cast<int32_t>(static_cast<float>(n) * d.reciprocal);
  const auto remainder = static_cast<int32_t>(static_cast<uint32_t>(n) -
                                              static_cast<uint32_t>(d.value) *
                                                  static_cast<uint32_t>(estimate));
  const int32_t below = n < 0 ? d.value - 1 : 0;  // d*e - low
  return estimate - (remainder < -below ? 1 : 0) + (remainder > d.value - 1 - below ? 1 : 0);
}

}  // namespace photofilter::running_window
