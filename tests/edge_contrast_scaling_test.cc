// The pass of "-ec" and "-ec1" in double lanes against the plain rule,
// every pixel worked out in extended precision: random images over the
// full sample range and over 0..255, and small sums where products land
// exactly on integers and factors exactly on their clamps.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <vector>

#include "filters/edge/edge_contrast_scaling.h"
#include "image/brightness_table.h"
#include "image/kernels.h"
#include "image/sample.h"
#include "test_images.h"

namespace photofilter {
namespace {

using testing::random_image;
using testing::samples_of;

// Whole numbers, values an extended ulp beside them, halves, the ends of
// the sample range and beyond, of either sign.
// Extended values truncate as a direct conversion does, at and next to
// whole numbers and at the ends of the range.
TEST(SampleConversions, ExtendedTruncationMatchesADirectConversion) {
  std::vector<long double> values = {0.0L,
                                     -0.0L,
                                     0.5L,
                                     1e-30L,
                                     32767.5L,
                                     32768.0L,
                                     1e9L,
                                     std::numeric_limits<long double>::infinity(),
                                     std::numeric_limits<long double>::quiet_NaN()};
  for (long double whole : {1.0L, 2.0L, 7.0L, 255.0L, 1000.0L, 32766.0L, 32767.0L}) {
    const long double ulp = whole * 0x1p-63L;
    for (long double x : {whole, whole - ulp, whole + ulp, whole - 0.5L, whole - 0x1p-52L}) {
      values.push_back(x);
    }
  }
  for (long double x : std::vector<long double>(values)) values.push_back(-x);
  for (long double x : values) {
    const int16_t direct = x == x ? saturate_sample(truncate_to<int64_t>(x)) : 0;
    EXPECT_EQ(truncate_to_sample(x), direct) << static_cast<double>(x);
    for (const long double scale : {1.0L, 65536.0L}) {
      const long double y = x * scale;
      const int64_t wide = y == y ? truncate_to<int64_t>(y) : 0;
      EXPECT_EQ(truncate_to<int32_t>(y), std::clamp<int64_t>(wide, INT32_MIN, INT32_MAX))
          << static_cast<double>(y);
    }
  }
}

// Looked-up brightness values against the division, over every sum of
// three samples: the ends of the table and the sums beyond them.
TEST(BrightnessTable, LooksUpWhatItWouldWorkOut) {
  for (const double divisor : {255.0, 1.0, -7.0, double(INT_MIN)}) {
    const BrightnessTable<double> in_double(divisor);
    const BrightnessTable<long double> in_extended(divisor);
    for (int32_t sum = 3 * INT16_MIN; sum <= 3 * INT16_MAX; ++sum) {
      ASSERT_EQ(in_double(sum), brightness_of_sum(sum, divisor)) << sum;
      ASSERT_EQ(in_extended(sum), brightness_of_sum<long double>(sum, divisor)) << sum;
    }
  }
  EXPECT_EQ(BrightnessTable<double>(255)(765), 1.0);
  EXPECT_EQ(BrightnessTable<long double>(2)(-6), -1.0L);
}

// `pixels` laid out in `rows` rows.
Image image_of(const std::vector<Pixel> &pixels, int32_t rows) {
  Image image;
  image.nx = static_cast<int32_t>(pixels.size()) / rows;
  image.ny = rows;
  image.pixels = allocate_pixels(image.pixel_count(), "test image");
  std::copy(pixels.begin(), pixels.end(), image.pixels.get());
  return image;
}

void expect_same_as_plain(const Image &image, const Image &blurred, double gain, int max) {
  for (EdgeFactor kind : {EdgeFactor::kOverBrightness, EdgeFactor::kOverBlurredBrightness}) {
    SCOPED_TRACE(::testing::Message()
                 << "kind " << static_cast<int>(kind) << " gain " << gain << " max " << max);
    Image fast = image.scratch_copy(), plain = image.scratch_copy();
    scale_by_edge_factors(fast, blurred, gain, max, kind);
    scale_by_edge_factors_plainly(plain, blurred, gain, max, kind);
    ASSERT_EQ(samples_of(fast), samples_of(plain));
  }
}

TEST(EdgeContrastScaling, MatchesExtendedPrecisionOnRandomImages) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const double gains[] = {1,      1.5,    -2,  0,    7e-3, 1e308,       -1e308,
                          5e-324, 1e-300, 100, -100, kInf, std::nan("")};
  const int maxes[] = {255, 0, -7, INT_MIN};
  const struct { int lo, hi; } ranges[] = {{0, 255}, {INT16_MIN, INT16_MAX}};
  uint32_t seed = 1;
  // Rows of 1 to 3 pixels and 51 = 12 groups of 4 and 3 go through the
  // lanes padded; 48 fills them.
  for (int width : {1, 2, 3, 51, 48}) {
    for (const auto &range : ranges) {
      const Image image = random_image(width, 12, range.lo, range.hi, seed++);
      Image blurred = image.scratch_copy();
      weighted_blur(blurred, 1, 1.0);
      const Image unrelated = random_image(width, 12, range.lo, range.hi, seed++);
      for (double gain : gains) {
        for (int max : maxes) {
          expect_same_as_plain(image, blurred, gain, max);
          expect_same_as_plain(image, unrelated, gain, max);
        }
      }
    }
  }
}

// Every pixel with samples in -4..12 beside every blurred sum in -12..36:
// with these gains many products r*f are whole numbers in exact arithmetic
// (so the extended result may fall just below or on them), and factors reach
// 0, 3 and 10 exactly ("-ec": gain 1 and SB = 3S, gain 18 and SB = 0;
// "-ec1" with max 1: gain 1, S = 3, SB = 0).
TEST(EdgeContrastScaling, MatchesExtendedPrecisionOnWholeProductsAndClamps) {
  std::vector<Pixel> pixels, around;
  for (int16_t r = -4; r <= 12; ++r) {
    for (int16_t g = -4; g <= 12; ++g) {
      for (int16_t b = -4; b <= 12; ++b) {
        for (int16_t blurred_sum = -12; blurred_sum <= 36; ++blurred_sum) {
          pixels.push_back({r, g, b, 0});
          around.push_back({blurred_sum, 0, 0, 0});
        }
      }
    }
  }
  const Image image = image_of(pixels, 49), blurred = image_of(around, 49);
  for (double gain : {1.0, 2.0, 18.0, -1.0, 0.5}) {
    for (int max : {1, 255}) expect_same_as_plain(image, blurred, gain, max);
  }
}

// The ends of the sample range: products that saturate, factors that
// reach the clamps with the largest samples, and sums of either sign.
// Gains of +-1e-17 make factors within an ulp of 1: the double products
// land on the samples themselves while the extended ones lie just beside.
TEST(EdgeContrastScaling, MatchesExtendedPrecisionAtTheEndsOfTheSampleRange) {
  const int16_t samples[] = {INT16_MIN, INT16_MIN + 1, -1, 0, 1, INT16_MAX - 1, INT16_MAX};
  const int16_t blurred_samples[] = {INT16_MIN, -1, 0, 1, 10923, INT16_MAX};
  std::vector<Pixel> pixels, around;
  for (int16_t r : samples) {
    for (int16_t g : samples) {
      for (int16_t b : samples) {
        for (int16_t blurred : blurred_samples) {
          pixels.push_back({r, g, b, 0});
          around.push_back({blurred, blurred, blurred, 0});
        }
      }
    }
  }
  const Image image = image_of(pixels, 6), blurred = image_of(around, 6);
  for (double gain : {1.0, 2.0, 0.5, -1.0, 1e-17, -1e-17, 1e6}) {
    for (int max : {1, 255, -300}) expect_same_as_plain(image, blurred, gain, max);
  }
}

}  // namespace
}  // namespace photofilter
