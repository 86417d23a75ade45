// The fast kernels against the plain ones, which walk one line at a time
// with 64-bit sums and the rules as defined: they must agree sample for
// sample, aux included. Worked values check both.
#include "image/kernels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "test_images.h"

namespace photofilter {
namespace {

using testing::random_image;
using testing::row_image;
using testing::samples_of;

struct RegionArgs {
  int32_t rgb_radius, r_step, g_step, b_step, aux_radius, aux_step;
};

void region(Image &image, const RegionArgs &a, bool plain = false) {
  (plain ? region_noise_reduction_plain : region_noise_reduction)(
      image, a.rgb_radius, a.r_step, a.g_step, a.b_step, a.aux_radius, a.aux_step);
}

// Pixels as an image of one row, for comparing them.
Image row_of(const std::vector<Pixel> &pixels) {
  Image image;
  image.replace_pixels(allocate_pixels(static_cast<int64_t>(pixels.size()), "test row"),
                       static_cast<int32_t>(pixels.size()), 1);
  std::copy(pixels.begin(), pixels.end(), image.pixels.get());
  return image;
}

// Equal images, or the first sample where they differ.
::testing::AssertionResult same_samples(const Image &actual, const Image &expected) {
  const std::vector<int16_t> a = samples_of(actual), e = samples_of(expected);
  if (actual.nx != expected.nx || actual.ny != expected.ny) {
    return ::testing::AssertionFailure() << "size differs";
  }
  for (size_t k = 0; k < a.size(); ++k) {
    if (a[k] != e[k]) {
      const size_t pixel = k / 4;
      return ::testing::AssertionFailure()
             << "pixel (" << pixel % actual.nx << ", " << pixel / actual.nx << ") lane " << k % 4
             << ": " << a[k] << ", expected " << e[k];
    }
  }
  return ::testing::AssertionSuccess();
}

void expect_blur_matches(const Image &original, int32_t radius, double weight) {
  SCOPED_TRACE(::testing::Message() << "radius " << radius << " weight " << weight);
  Image actual = original.scratch_copy(), expected = original.scratch_copy();
  weighted_blur(actual, radius, weight);
  weighted_blur_plain(expected, radius, weight);
  EXPECT_TRUE(same_samples(actual, expected));
}

void expect_region_matches(const Image &original, const RegionArgs &a) {
  SCOPED_TRACE(::testing::Message()
               << "region " << a.rgb_radius << "," << a.r_step << "," << a.g_step << "," << a.b_step
               << "," << a.aux_radius << "," << a.aux_step);
  Image actual = original.scratch_copy(), expected = original.scratch_copy();
  region(actual, a);
  region(expected, a, true);
  EXPECT_TRUE(same_samples(actual, expected));
}

struct Range {
  int lo, hi;
};
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// Few distinct values make many window means exact integers.
constexpr Range kRanges[] = {{-2000, 3000}, {INT16_MIN, INT16_MAX}, {-2, 2}};

class KernelsOnRandomImages : public ::testing::TestWithParam<std::pair<int, int>> {
 protected:
  Image image_for(const Range &range) const {
    const auto [nx, ny] = GetParam();
    return random_image(nx, ny, range.lo, range.hi, static_cast<uint32_t>(nx * 7919 + ny));
  }
};

TEST_P(KernelsOnRandomImages, WeightedBlurMatchesPlain) {
  for (const Range &range : kRanges) {
    SCOPED_TRACE(::testing::Message() << "samples " << range.lo << ".." << range.hi);
    const Image image = image_for(range);
    for (int32_t radius : {0, 1, 2, 7, 50, 250, -3, INT32_MIN, INT32_MAX}) {
      // Integer weights take exact integer rules up to c*(w + 1) < 2^16,
      // then up to 2^35 (1e9 with a radius of 7 and more), then doubles.
      for (double weight : {1.0, 0.5, 0.0, -1.0, -2.5, -0.0005, 3.75, -1e9, kInf, -kInf, kNaN,
                            2.0, 7.0, 1000.0, 1048576.0, 1e9, 17179869184.0}) {
        expect_blur_matches(image, radius, weight);
      }
    }
  }
}

TEST_P(KernelsOnRandomImages, RegionNoiseReductionMatchesPlain) {
  const RegionArgs cases[] = {
      {1, 5, 5, 5, 1, 5},
      {2, 0, 3, -4, 0, 7},
      {7, 1, 40000, 2, 3, -2},
      {50, 3, 3, 3, 1, 0},
      {-2, -3, 1, 0, -1, -5},
      {250, 2, 2, 2, 1, 3},
      {0, 0, 0, 0, 2, 1},
      {3, 9, 9, 9, 250, 9},
      {1, INT32_MIN, INT32_MAX, -40000, INT32_MAX, INT32_MIN},
  };
  for (const Range &range : kRanges) {
    SCOPED_TRACE(::testing::Message() << "samples " << range.lo << ".." << range.hi);
    const Image image = image_for(range);
    for (const RegionArgs &a : cases) expect_region_matches(image, a);
  }
}

// The centres of trunc(n * factor) bins, as smoothed scaling takes them.
std::vector<int32_t> bin_centres(int32_t n, double factor) {
  std::vector<int32_t> centres;
  for (int32_t k = 0; k < static_cast<int32_t>(n * factor); ++k) {
    centres.push_back(std::min(static_cast<int32_t>((k + 0.5) / factor), n - 1));
  }
  return centres;
}

// Whether out may be the image's own array for these rows.
bool may_share_array(size_t width, const std::vector<int32_t> &rows, int32_t nx) {
  for (size_t j = 0; j < rows.size(); ++j) {
    if ((j + 1) * width > (static_cast<size_t>(rows[j]) + 1) * nx) return false;
  }
  return true;
}

TEST_P(KernelsOnRandomImages, SampledBlurMatchesWholeBlur) {
  const auto [nx, ny] = GetParam();
  const Image image = image_for(kRanges[1]);
  const std::pair<std::vector<int32_t>, std::vector<int32_t>> points[] = {
      {bin_centres(nx, 0.3), bin_centres(ny, 0.3)},
      {bin_centres(nx, 1.0), bin_centres(ny, 1.0)},
      {bin_centres(nx, 0.5), bin_centres(ny, 0.05)},
      {bin_centres(nx, 2.0), bin_centres(ny, 1.5)},
      {{nx - 1, 0, nx / 2, nx / 2}, {0, 0, ny / 2, ny - 1, ny - 1}},
  };
  for (int32_t radius : {0, 1, 2, 7, 250}) {
    for (double weight : {1.0, -1.0, -3.0, 1000.0, 0.5, 0.0}) {
      Image blurred = image.scratch_copy();
      weighted_blur_plain(blurred, radius, weight);
      for (const auto &[columns, rows] : points) {
        SCOPED_TRACE(::testing::Message() << "radius " << radius << " weight " << weight << " "
                                          << columns.size() << "x" << rows.size() << " points");
        std::vector<Pixel> expected;
        for (int32_t y : rows) {
          for (int32_t x : columns) expected.push_back(blurred.at(x, y));
        }
        Image source = image.scratch_copy();
        ImageRows source_rows(source);
        std::vector<Pixel> actual(expected.size());
        weighted_blur_sampled(source_rows, radius, weight, columns, rows, actual.data());
        EXPECT_TRUE(same_samples(source, image)) << "the image changed";
        if (expected.empty()) continue;
        EXPECT_TRUE(same_samples(row_of(actual), row_of(expected)));
        if (may_share_array(columns.size(), rows, nx)) {
          Pixel *own = source.pixels.get();
          weighted_blur_sampled(source_rows, radius, weight, columns, rows, own);
          EXPECT_TRUE(same_samples(row_of(std::vector<Pixel>(own, own + expected.size())),
                                   row_of(expected)))
              << "in the image's own array";
        }
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Shapes, KernelsOnRandomImages,
                         ::testing::Values(std::pair{1, 1}, std::pair{1, 23}, std::pair{23, 1},
                                           std::pair{130, 37}, std::pair{65, 200},
                                           std::pair{64, 5}));

// Past 32767 samples the passes keep 64-bit sums.
TEST(Kernels, LinesLongerThan8000Pixels) {
  for (auto [nx, ny] : {std::pair{9000, 2}, std::pair{2, 9000}, std::pair{32767, 1},
                        std::pair{1, 32768}}) {
    SCOPED_TRACE(::testing::Message() << nx << "x" << ny);
    const Image image = random_image(nx, ny, -2000, 3000, 11);
    for (int32_t radius : {1, 50, 20000}) {
      expect_blur_matches(image, radius, 1.0);
      expect_blur_matches(image, radius, -1.0);
    }
    expect_region_matches(image, {3, 2, 2, 2, 1, 4});
  }
}

// Windows of more than 65535 extreme samples overflow 32-bit sums; up to
// 32767 samples the rules compare sums with window times value in 32 bits,
// and weight 1 divides by up to 2*32767 in 32 bits.
TEST(Kernels, WindowSumsBeyond32Bits) {
  const struct {
    int nx, ny;
    Range range;
  } cases[] = {{2, 70000, {32000, INT16_MAX}},
               {70000, 2, {INT16_MIN, -32000}},
               {32767, 1, {INT16_MIN, -32700}},
               {1, 32768, {32700, INT16_MAX}}};
  for (const auto &c : cases) {
    SCOPED_TRACE(::testing::Message() << c.nx << "x" << c.ny);
    const Image image = random_image(c.nx, c.ny, c.range.lo, c.range.hi, 3);
    expect_blur_matches(image, 40000, 1.0);
    expect_blur_matches(image, 40000, -1.0);
    expect_region_matches(image, {34000, 1, 1, 1, 34000, 1});
  }
}

std::vector<int16_t> red_of(const Image &image) {
  std::vector<int16_t> red;
  for (int64_t i = 0; i < image.pixel_count(); ++i) red.push_back(image.pixels[i].r);
  return red;
}

// The worked values hold for the fast kernels and the plain ones alike.
constexpr bool kBothKernels[] = {false, true};
const char *kernel_name(bool plain) { return plain ? "plain" : "fast"; }

void blur(Image &image, int32_t radius, double weight, bool plain) {
  (plain ? weighted_blur_plain : weighted_blur)(image, radius, weight);
}

TEST(WeightedBlur, WorkedExample) {
  const struct {
    double weight;
    std::vector<int16_t> expected;
  } cases[] = {{1.0, {12, 20, 30, 40, 47}}, {-1.0, {11, 20, 30, 40, 49}}};
  for (const bool plain : kBothKernels) {
    for (const auto &c : cases) {
      Image image = row_image({10, 20, 30, 40, 50});
      blur(image, 1, c.weight, plain);
      EXPECT_EQ(red_of(image), c.expected) << kernel_name(plain) << " weight " << c.weight;
    }
  }
}

// The middle sample of 0, 30000, 0 shows the mode and the step. Weight
// -0.0005 averages: (-15 / 3 + 30000) / 0.9995 = 30010.005 along the row,
// then the one-pixel column gives 30009.99999... A step of 32768 or more
// takes the sample below the 16-bit range, where it saturates.
TEST(WeightedBlur, ModeFollowsWeight) {
  const struct {
    double weight;
    int16_t middle;
  } cases[] = {{-1, 29999},      {-1.5, 29998}, {-2, 29998}, {-2.5, 29997}, {-0.0005, 30009},
               {0, 30000},       {1, 20000},    {-1e9, INT16_MIN},          {-kInf, INT16_MIN}};
  for (const bool plain : kBothKernels) {
    for (const auto &c : cases) {
      Image image = row_image({0, 30000, 0});
      blur(image, 1, c.weight, plain);
      EXPECT_EQ(image.pixels[1].g, c.middle) << kernel_name(plain) << " weight " << c.weight;
    }
  }
}

TEST(WeightedBlur, KeepsAuxAndWeightZeroKeepsEverything) {
  const Image original = random_image(70, 9, -500, 800, 21);
  for (const bool plain : kBothKernels) {
    for (double weight : {1.0, -2.0, 0.0}) {
      SCOPED_TRACE(::testing::Message() << kernel_name(plain) << " weight " << weight);
      Image image = original.scratch_copy();
      blur(image, 2, weight, plain);
      for (int64_t i = 0; i < image.pixel_count(); ++i) {
        ASSERT_EQ(image.pixels[i].aux, original.pixels[i].aux);
      }
      if (weight == 0.0) {
        EXPECT_TRUE(same_samples(image, original));
      }
    }
  }
}

TEST(RegionNoiseReduction, SingleBrightPixelInARow) {
  for (const bool plain : kBothKernels) {
    Image image = row_image({0, 0, 0, 100, 0, 0, 0});
    region(image, {1, 5, 5, 5, 1, 5}, plain);
    EXPECT_EQ(red_of(image), (std::vector<int16_t>{0, 0, 5, 95, 5, 0, 0})) << kernel_name(plain);
  }
}

// A window sum of -7 over 3 samples has the mean -2, not -3.
TEST(Kernels, NegativeMeansTruncateTowardZero) {
  for (const bool plain : kBothKernels) {
    Image stepped = row_image({-7, 0, 0});
    region(stepped, {1, 3, 3, 3, 0, 0}, plain);
    EXPECT_EQ(stepped.pixels[1].r, 0) << kernel_name(plain);  // a mean of -3 would move it to -3

    Image blurred = row_image({-9, -2, 4});
    blur(blurred, 1, -1.0, plain);
    EXPECT_EQ(blurred.pixels[1].r, -2) << kernel_name(plain);  // equal to the mean: stays
  }
}

}  // namespace
}  // namespace photofilter
