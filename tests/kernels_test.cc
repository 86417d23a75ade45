// The shared kernels against a plain version written the slow way: one
// line at a time, every column walked on its own, 64-bit sums, and the
// averaging formula spelled out. The real kernels must agree sample for
// sample, aux included.
#include "image/kernels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "test_images.h"

namespace photofilter {
namespace {

using testing::random_image;
using testing::row_image;
using testing::samples_of;

int16_t Pixel::*const kLane[4] = {&Pixel::r, &Pixel::g, &Pixel::b, &Pixel::aux};

int16_t saturated(int64_t v) {
  return static_cast<int16_t>(std::clamp<int64_t>(v, INT16_MIN, INT16_MAX));
}

int16_t truncated(double x) {
  if (std::isnan(x)) return 0;
  if (x >= INT16_MAX) return INT16_MAX;
  if (x <= INT16_MIN) return INT16_MIN;
  return static_cast<int16_t>(x);
}

using Line = std::vector<Pixel *>;

// Every row top to bottom, then every column left to right.
template <typename Process>
void rows_then_columns(Image &image, Process process) {
  for (int y = 0; y < image.ny; ++y) {
    Line line;
    for (int x = 0; x < image.nx; ++x) line.push_back(&image.at(x, y));
    process(line);
  }
  for (int x = 0; x < image.nx; ++x) {
    Line line;
    for (int y = 0; y < image.ny; ++y) line.push_back(&image.at(x, y));
    process(line);
  }
}

std::vector<Pixel> copy_of(const Line &line) {
  std::vector<Pixel> copy;
  for (const Pixel *p : line) copy.push_back(*p);
  return copy;
}

void reference_blur(Image &image, int32_t radius, double weight) {
  const int64_t r = std::max(radius, 0);
  int64_t step = 0;
  // Steps beyond 1e12 saturate every moved sample alike.
  if (weight < 0) step = static_cast<int64_t>(std::min(0.999 - weight, 1e12));
  rows_then_columns(image, [&](Line &line) {
    const int64_t n = static_cast<int64_t>(line.size());
    const std::vector<Pixel> L = copy_of(line);
    int64_t sum[3] = {};
    int64_t count = 0;
    for (int64_t i = -r; i <= n - 1; ++i) {
      // Before position 0 and past the line's end nothing happens.
      if (i < 0 && i + r > n - 1) i = 0;
      if (i + r <= n - 1) {
        for (int c = 0; c < 3; ++c) sum[c] += L[i + r].*kLane[c];
        ++count;
      }
      if (i - r - 1 >= 0) {
        for (int c = 0; c < 3; ++c) sum[c] -= L[i - r - 1].*kLane[c];
        --count;
      }
      if (i < 0) continue;
      for (int c = 0; c < 3; ++c) {
        const int64_t v = L[i].*kLane[c];
        int16_t &out = line[i]->*kLane[c];
        if (step >= 1) {
          const int64_t mean = sum[c] / count;
          out = v > mean ? saturated(v - step) : v < mean ? saturated(v + step) : L[i].*kLane[c];
        } else {
          out = truncated((weight * sum[c] / count + v) / (weight + 1));
        }
      }
    }
  });
}

int16_t step_rule(int64_t v, int64_t mean, int64_t step) {
  if (v >= mean + step) return saturated(v - step);
  if (v <= mean - step) return saturated(v + step);
  return static_cast<int16_t>(v);
}

struct RegionArgs {
  int32_t rgb_radius, r_step, g_step, b_step, aux_radius, aux_step;
};

void reference_region(Image &image, const RegionArgs &a) {
  const int64_t steps[4] = {a.r_step, a.g_step, a.b_step, a.aux_step};
  // Lanes first..last along one line; only positions with a whole window.
  auto group = [&](Line &line, const std::vector<Pixel> &B, int32_t radius, int first, int last) {
    const int64_t n = static_cast<int64_t>(line.size());
    const int64_t e = std::max(radius, 0);
    if (e >= n - e) return;
    const int64_t w = 2 * e + 1;
    int64_t sum[4] = {};
    for (int64_t k = 0; k <= 2 * e - 1; ++k)
      for (int c = first; c <= last; ++c) sum[c] += B[k].*kLane[c];
    for (int64_t i = e; i <= n - e - 1; ++i) {
      for (int c = first; c <= last; ++c) sum[c] += B[i + e].*kLane[c];
      for (int c = first; c <= last; ++c)
        line[i]->*kLane[c] = step_rule(B[i].*kLane[c], sum[c] / w, steps[c]);
      for (int c = first; c <= last; ++c) sum[c] -= B[i - e].*kLane[c];
    }
  };
  rows_then_columns(image, [&](Line &line) {
    const std::vector<Pixel> B = copy_of(line);
    group(line, B, a.rgb_radius, 0, 2);
    group(line, B, a.aux_radius, 3, 3);
  });
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
  reference_blur(expected, radius, weight);
  EXPECT_TRUE(same_samples(actual, expected));
}

void expect_region_matches(const Image &original, const RegionArgs &a) {
  SCOPED_TRACE(::testing::Message()
               << "region " << a.rgb_radius << "," << a.r_step << "," << a.g_step << "," << a.b_step
               << "," << a.aux_radius << "," << a.aux_step);
  Image actual = original.scratch_copy(), expected = original.scratch_copy();
  region_noise_reduction(actual, a.rgb_radius, a.r_step, a.g_step, a.b_step, a.aux_radius,
                         a.aux_step);
  reference_region(expected, a);
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

TEST_P(KernelsOnRandomImages, WeightedBlurMatchesReference) {
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

TEST_P(KernelsOnRandomImages, RegionNoiseReductionMatchesReference) {
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
      reference_blur(blurred, radius, weight);
      for (const auto &[columns, rows] : points) {
        SCOPED_TRACE(::testing::Message() << "radius " << radius << " weight " << weight << " "
                                          << columns.size() << "x" << rows.size() << " points");
        std::vector<Pixel> expected;
        for (int32_t y : rows) {
          for (int32_t x : columns) expected.push_back(blurred.at(x, y));
        }
        Image source = image.scratch_copy();
        std::vector<Pixel> actual(expected.size());
        weighted_blur_sampled(source, radius, weight, columns, rows, actual.data());
        EXPECT_TRUE(same_samples(source, image)) << "the image changed";
        if (expected.empty()) continue;
        EXPECT_TRUE(same_samples(row_of(actual), row_of(expected)));
        if (may_share_array(columns.size(), rows, nx)) {
          Pixel *own = source.pixels.get();
          weighted_blur_sampled(source, radius, weight, columns, rows, own);
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

TEST(WeightedBlur, WorkedExample) {
  const struct {
    double weight;
    std::vector<int16_t> expected;
  } cases[] = {{1.0, {12, 20, 30, 40, 47}}, {-1.0, {11, 20, 30, 40, 49}}};
  for (const auto &c : cases) {
    Image image = row_image({10, 20, 30, 40, 50});
    weighted_blur(image, 1, c.weight);
    EXPECT_EQ(red_of(image), c.expected) << "weight " << c.weight;
  }
}

// The middle sample of 0, 30000, 0 shows the mode and the step. Weight
// -0.0005 averages: (-15 / 3 + 30000) / 0.9995 = 30010.005 along the row,
// then the one-pixel column gives 30009.99999...
TEST(WeightedBlur, ModeFollowsWeight) {
  const struct {
    double weight;
    int16_t middle;
  } cases[] = {{-1, 29999},      {-1.5, 29998}, {-2, 29998}, {-2.5, 29997},
               {-0.0005, 30009}, {0, 30000},    {1, 20000}};
  for (const auto &c : cases) {
    Image image = row_image({0, 30000, 0});
    weighted_blur(image, 1, c.weight);
    EXPECT_EQ(image.pixels[1].g, c.middle) << "weight " << c.weight;
  }
}

TEST(WeightedBlur, KeepsAuxAndWeightZeroKeepsEverything) {
  const Image original = random_image(70, 9, -500, 800, 21);
  for (double weight : {1.0, -2.0, 0.0}) {
    Image image = original.scratch_copy();
    weighted_blur(image, 2, weight);
    for (int64_t i = 0; i < image.pixel_count(); ++i) {
      ASSERT_EQ(image.pixels[i].aux, original.pixels[i].aux) << "weight " << weight;
    }
    if (weight == 0.0) {
      EXPECT_TRUE(same_samples(image, original));
    }
  }
}

TEST(RegionNoiseReduction, SingleBrightPixelInARow) {
  Image image = row_image({0, 0, 0, 100, 0, 0, 0});
  region_noise_reduction(image, 1, 5, 5, 5, 1, 5);
  EXPECT_EQ(red_of(image), (std::vector<int16_t>{0, 0, 5, 95, 5, 0, 0}));
}

// A window sum of -7 over 3 samples has the mean -2, not -3.
TEST(Kernels, NegativeMeansTruncateTowardZero) {
  Image region = row_image({-7, 0, 0});
  region_noise_reduction(region, 1, 3, 3, 3, 0, 0);
  EXPECT_EQ(region.pixels[1].r, 0);  // a mean of -3 would move it to -3

  Image blur = row_image({-9, -2, 4});
  weighted_blur(blur, 1, -1.0);
  EXPECT_EQ(blur.pixels[1].r, -2);  // equal to the mean: stays
}

}  // namespace
}  // namespace photofilter
