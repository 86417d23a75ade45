// The division-free arithmetic of the blur and region rules against plain
// integer division, and the averaging formula in doubles against the exact
// quotient it is replaced by. Numerators are taken at and next to every
// multiple of the divisor, where a truncation can go wrong.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "image/exact_quotients.h"

namespace photofilter::running_window {
namespace {

// n = d*k + offset for every quotient k of the 16-bit range and a few
// offsets, kept where |n / d| <= 2^15; stops at the first failure.
template <typename Check>
void for_numerators_around_multiples(int64_t d, Check check) {
  for (int64_t k = -32768; k <= 32767 && !::testing::Test::HasFailure(); ++k) {
    for (int64_t offset : {int64_t{0}, int64_t{1}, int64_t{-1}, d / 2, d - 1, 1 - d}) {
      const int64_t n = d * k + offset;
      if (n >= -d * 32768 && n <= d * 32768) check(n);
    }
  }
}

TEST(KernelQuotients, SmallQuotientIsIntegerDivision) {
  for (int32_t d : {1, 2, 3, 5, 6, 7, 101, 255, 256, 3003, 21021, 32767, 65535}) {
    const SmallDivisor divisor(d);
    for_numerators_around_multiples(d, [&](int64_t n) {
      ASSERT_EQ(truncated_quotient(static_cast<int32_t>(n), divisor), n / d)
          << n << " / " << d;
    });
  }
}

TEST(KernelQuotients, ReciprocalQuotientIsIntegerDivision) {
  for (int64_t d : {int64_t{1}, int64_t{3}, int64_t{65536}, int64_t{3} * 1048577,
                    int64_t{12345678901}, (int64_t{1} << 35) - 1}) {
    const Divisor divisor(static_cast<double>(d));
    for_numerators_around_multiples(d, [&](int64_t n) {
      ASSERT_EQ(truncated_quotient(static_cast<double>(n), divisor), n / d)
          << n << " / " << d;
    });
  }
}

// The range of sums whose truncated mean is u, against the mean itself.
TEST(KernelQuotients, MeanRangeComparesLikeTheMean) {
  for (int32_t c : {1, 2, 3, 4, 21, 32767}) {
    for (int32_t u : {-32769, -32768, -32767, -2, -1, 0, 1, 2, 500, 32767, 32768}) {
      for_numerators_around_multiples(c, [&](int64_t n) {
        const auto sum = static_cast<int32_t>(n);
        const int32_t mean = sum / c;
        const int32_t low = quotient_range_low<int32_t>(sum, c, u);
        ASSERT_EQ(mean < u, sum < low) << sum << " / " << c << " against " << u;
        ASSERT_EQ(mean > u, sum > low + (c - 1)) << sum << " / " << c << " against " << u;
      });
    }
  }
}

// The averaging rule as written: (w*S/c + v) / (w + 1) in doubles.
int64_t averaging_formula(double w, int64_t sum, int64_t c, int64_t v) {
  return static_cast<int64_t>((w * static_cast<double>(sum) / static_cast<double>(c) +
                               static_cast<double>(v)) /
                              (w + 1));
}

// For integer weights it is trunc((w*S + c*v) / (c*(w + 1))) whenever
// c*(w + 1) < 2^35. The quotient is an integer exactly when S = c*m and
// v - m is a multiple of w + 1, so besides all small sums with old values
// from both ends of the 16-bit range, sums at and next to c*m are paired
// with old values at and next to m + j*(w + 1).
TEST(KernelQuotients, IntegerWeightAveragingIsAnExactQuotient) {
  const int64_t values[] = {-32768, -32767, -20000, -3, -1, 0, 1, 2, 7, 999, 32766, 32767};
  for (int64_t w : {0, 1, 2, 3, 7, 1000, 1 << 20}) {
    for (int64_t c : {1, 2, 3, 5, 21, 101, 16383}) {
      ASSERT_LT(c * (w + 1), int64_t{1} << 35);
      auto check = [&](int64_t sum, int64_t v) {
        if (sum < -32768 * c || sum > 32767 * c || v < -32768 || v > 32767) return;
        if (::testing::Test::HasFailure()) return;
        ASSERT_EQ(averaging_formula(static_cast<double>(w), sum, c, v),
                  (w * sum + c * v) / (c * (w + 1)))
            << "w " << w << " S " << sum << " c " << c << " v " << v;
      };
      for (int64_t v : values) {
        for (int64_t sum = -2000; sum <= 2000; ++sum) check(sum, v);
      }
      std::vector<int64_t> means = {-32768, 32767};
      for (int64_t m = -32768; m <= 32767; m += 61) means.push_back(m);
      for (int64_t m : means) {
        for (int64_t j = -2; j <= 2; ++j) {
          for (int64_t dv = -1; dv <= 1; ++dv) {
            for (int64_t ds = -1; ds <= 1; ++ds) check(c * m + ds, m + j * (w + 1) + dv);
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace photofilter::running_window
