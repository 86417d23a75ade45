// The double pass of "-ec" and "-ec1" against the same pass worked out in
// extended precision for every pixel: random images over the full sample
// range and over 0..255, and small sums where products land exactly on
// integers and factors exactly on their clamps.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <vector>

#include "filters/edge/edge_contrast_scaling.h"
#include "image/kernels.h"
#include "test_images.h"

namespace photofilter {
namespace {

using testing::random_image;
using testing::samples_of;

void expect_same_as_plain(const Image &image, const Image &blurred, double gain, int max) {
  for (EdgeFactor kind : {EdgeFactor::kOverBrightness, EdgeFactor::kOverBlurredBrightness}) {
    SCOPED_TRACE(::testing::Message() << "kind " << static_cast<int>(kind) << " gain " << gain
                                      << " max " << max);
    Image fast = image.scratch_copy(), plain = image.scratch_copy();
    scale_by_edge_factors(fast, blurred, gain, max, kind);
    scale_by_edge_factors_plainly(plain, blurred, gain, max, kind);
    ASSERT_EQ(samples_of(fast), samples_of(plain));
  }
}

TEST(EdgeContrastScaling, MatchesExtendedPrecisionOnRandomImages) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const double gains[] = {1, 1.5, -2, 0, 7e-3, 1e308, -1e308, 5e-324, 1e-300, 100, -100,
                          kInf, std::nan("")};
  const int maxes[] = {255, 0, -7, INT_MIN};
  const struct {
    int lo, hi;
  } ranges[] = {{0, 255}, {INT16_MIN, INT16_MAX}};
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
  Image image, blurred;
  image.nx = blurred.nx = static_cast<int32_t>(pixels.size()) / 49;
  image.ny = blurred.ny = 49;
  image.pixels = allocate_pixels(image.pixel_count(), "test image");
  blurred.pixels = allocate_pixels(blurred.pixel_count(), "test image");
  std::copy(pixels.begin(), pixels.end(), image.pixels.get());
  std::copy(around.begin(), around.end(), blurred.pixels.get());
  for (double gain : {1.0, 2.0, 18.0, -1.0, 0.5}) {
    for (int max : {1, 255}) expect_same_as_plain(image, blurred, gain, max);
  }
}

}  // namespace
}  // namespace photofilter
