// The edge-contrast factor is defined in extended precision, which costs an
// x87 division and three x87 products per pixel. The pass below works in
// double instead, with a bound on how far each double result can lie from
// the extended one, and hands a pixel to the extended arithmetic only where
// that distance could change a stored sample: a product near an integer (a
// truncation step) or a factor near a clamp limit.
#include "filters/edge/edge_contrast_scaling.h"

#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

#include "image/multiversion.h"
#include "image/sample.h"

namespace photofilter {
namespace {

int divisor_for(int max) { return max != 0 ? max : 255; }

// Brightness of a sample sum on the 0..1 scale of the divisor, in extended
// precision: sum / 3 / divisor. Sums of three 16-bit samples are few enough
// to tabulate, which saves two extended divisions per value.
class BrightnessTable {
 public:
  explicit BrightnessTable(int divisor) : values_(kSums) {
    for (int32_t sum = kLowest; sum <= kHighest; ++sum) {
      values_[sum - kLowest] = static_cast<long double>(sum) / 3 / divisor;
    }
  }
  long double operator()(int32_t sum) const { return values_[sum - kLowest]; }

 private:
  static constexpr int32_t kLowest = 3 * INT16_MIN;
  static constexpr int32_t kHighest = 3 * INT16_MAX;
  static constexpr size_t kSums = kHighest - kLowest + 1;
  std::vector<long double> values_;
};

// "-ec": f = (v + gain*(v - vb)*0.5) / v, clamped to 0..10. Black pixels
// (sum 0) are left exactly as they are: no factor, nothing to divide.
// Divisor and the division by 3 cancel, so f - 1 = gain*(S - SB) / (2S).
struct OverBrightness {
  static constexpr bool keeps_black = true;
  static constexpr double kHighest = 10;
  long double operator()(long double v, long double vb, double gain) const {
    long double f = (v + gain * (v - vb) * 0.5) / v;
    if (f > 10) return 10;
    if (f < 0) return 0;
    return f;
  }
  // f - 1 in double from the sums; a zero sum (kept anyway) divides by 2.
  static double excess(double sum, double blurred_sum, double gain, double) {
    return gain * (sum - blurred_sum) / (2 * (sum != 0 ? sum : 1));
  }
};

// "-ec1": f = (v - vb) / t * gain + 1 with t = vb + 0.5 (0.5 for a
// negative vb), clamped to 0..3. In sums, f - 1 = gain*(S - SB) /
// (SB + 1.5*divisor), or gain*(S - SB) / (1.5*divisor) for a negative vb.
struct OverBlurredBrightness {
  static constexpr bool keeps_black = false;
  static constexpr double kHighest = 3;
  long double operator()(long double v, long double vb, double gain) const {
    const long double t = vb < 0 ? 0.5L : vb + 0.5L;
    long double f = (v - vb) / t * gain + 1;
    if (f > 3) return 3;
    if (f < 0) return 0;
    return f;
  }
  // Every term of the denominator is exact in double: |SB| < 2^17 and
  // 1.5*divisor < 2^32 are multiples of 0.5.
  static double excess(double sum, double blurred_sum, double gain, double divisor) {
    const double half_again = 1.5 * divisor;
    const double denominator =
        blurred_sum * divisor < 0 ? half_again : blurred_sum + half_again;
    return gain * (sum - blurred_sum) / denominator;
  }
};

int16_t scaled(int16_t sample, long double factor) {
  return truncate_to_sample(static_cast<long double>(sample) * factor);
}

template <typename Factor>
void scale_pixel_plainly(Pixel &pixel, const Pixel &around, const BrightnessTable &brightness,
                         double gain) {
  const int32_t sum = pixel.r + pixel.g + pixel.b;
  if (Factor::keeps_black && sum == 0) return;
  const long double f =
      Factor{}(brightness(sum), brightness(around.r + around.g + around.b), gain);
  pixel.r = scaled(pixel.r, f);
  pixel.g = scaled(pixel.g, f);
  pixel.b = scaled(pixel.b, f);
}

template <typename Factor>
void scale_plainly(Image &image, const Image &blurred, double gain, int max) {
  const BrightnessTable brightness(divisor_for(max));
  for (int64_t i = 0; i < image.pixel_count(); ++i) {
    scale_pixel_plainly<Factor>(image.pixels[i], blurred.pixels[i], brightness, gain);
  }
}

// How far the double results may lie from the extended ones, with u = 2^-53
// and U = 2^-64 the unit roundoffs and q = f - 1 unclamped:
// - the double factor 1 + q rounds three times from exact integers:
//   |f_double - f| <= u*(1 + 3|q|);
// - the extended factor starts from table values S/3/div, each within 2U
//   relative, so v - vb carries an absolute error of 2U*(|v| + |vb|); over
//   v (with |S| >= 1) or over t >= 0.5 that is at most 4U*|gain|*(|S| + |SB|)
//   in q, and the roundings of the formula add at most 6U*(1 + |q|).
// The sum is below 2^-50 * (1 + |q| + |gain|*(|S| + |SB|)), the bound used.
// A product r*f rounds once more on each side: |p_double - p_extended| <=
// |r|*bound + 2u*|p_double|, taken as 2|r|*bound + 4u*|p_double|.
PHOTOFILTER_INLINE double factor_error_bound(double excess, double gain, double sum,
                                             double blurred_sum) {
  return 0x1p-50 * (1 + std::fabs(excess) +
                    std::fabs(gain) * (std::fabs(sum) + std::fabs(blurred_sum)));
}

// Whether trunc(product) is certain although the exact product may lie up
// to `bound` away: no integer lies within the bound. (p + 1.5*2^52) - 1.5*2^52
// is p rounded to the nearest integer for |p| < 2^51.
PHOTOFILTER_INLINE bool truncation_is_certain(double product, double bound) {
  constexpr double kRounder = 0x1.8p52;
  const double nearest = (product + kRounder) - kRounder;
  return std::fabs(product - nearest) > bound;
}

PHOTOFILTER_INLINE bool product_is_certain(int16_t sample, double product, double factor_bound) {
  return (sample == 0) |
         truncation_is_certain(product, 2 * std::fabs(static_cast<double>(sample)) * factor_bound +
                                            0x1p-51 * std::fabs(product));
}

// One row in double. Pixels whose samples the double results cannot settle
// are left as they are and marked in `uncertain`. An unchanged pixel (equal
// sums, zero gain, or a black one that "-ec" keeps) has the factor exactly
// 1 in extended precision as well.
template <typename Factor>
PHOTOFILTER_INLINE void scale_row_in_double(Pixel *__restrict row,
                                            const Pixel *__restrict blurred, int64_t n,
                                            double gain, double divisor,
                                            uint8_t *__restrict uncertain) {
  constexpr double kHighest = Factor::kHighest;
  for (int64_t i = 0; i < n; ++i) {
    const Pixel p = row[i];
    const Pixel around = blurred[i];
    const int32_t sum = p.r + p.g + p.b;
    const int32_t blurred_sum = around.r + around.g + around.b;
    const double s = sum, sb = blurred_sum;
    const double excess = Factor::excess(s, sb, gain, divisor);
    const double f = 1 + excess;
    const double bound = factor_error_bound(excess, gain, s, sb);
    const bool unchanged =
        (sum == blurred_sum) | (gain == 0) | (Factor::keeps_black & (sum == 0));
    const bool above = f > kHighest + bound;
    const bool below = f < -bound;
    const bool inside = f > bound && f < kHighest - bound;
    // Clamped factors are exact, and so are their products with samples.
    const double used = inside ? f : (above ? kHighest : 0.0);
    const double r = p.r * used, g = p.g * used, b = p.b * used;
    const bool certain = unchanged | above | below |
                         (inside & product_is_certain(p.r, r, bound) &
                          product_is_certain(p.g, g, bound) & product_is_certain(p.b, b, bound));
    const bool keep = unchanged | !certain;
    uncertain[i] = !certain;
    const int16_t new_r = truncate_number_to_sample(r);
    const int16_t new_g = truncate_number_to_sample(g);
    const int16_t new_b = truncate_number_to_sample(b);
    row[i].r = keep ? p.r : new_r;
    row[i].g = keep ? p.g : new_g;
    row[i].b = keep ? p.b : new_b;
  }
}

template <typename Factor>
PHOTOFILTER_INLINE void scale_in_double(Image &image, const Image &blurred, double gain,
                                        int max) {
  const int divisor = divisor_for(max);
  std::optional<BrightnessTable> brightness;  // made for the first uncertain pixel
  std::vector<uint8_t> uncertain(static_cast<size_t>(image.nx));
  for (int32_t y = 0; y < image.ny; ++y) {
    Pixel *row = image.row(y);
    const Pixel *around = blurred.row(y);
    scale_row_in_double<Factor>(row, around, image.nx, gain, divisor, uncertain.data());
    for (int32_t x = 0; x < image.nx; ++x) {
      if (!uncertain[x]) continue;
      if (!brightness) brightness.emplace(divisor);
      scale_pixel_plainly<Factor>(row[x], around[x], *brightness, gain);
    }
  }
}

PHOTOFILTER_MULTIVERSION void scale_over_brightness(Image &image, const Image &blurred,
                                                    double gain, int max) {
  scale_in_double<OverBrightness>(image, blurred, gain, max);
}

PHOTOFILTER_MULTIVERSION void scale_over_blurred_brightness(Image &image, const Image &blurred,
                                                            double gain, int max) {
  scale_in_double<OverBlurredBrightness>(image, blurred, gain, max);
}

}  // namespace

void scale_by_edge_factors(Image &image, const Image &blurred, double gain, int max,
                           EdgeFactor kind) {
  // An infinite or NaN gain leaves the bounds above without meaning.
  if (!std::isfinite(gain)) return scale_by_edge_factors_plainly(image, blurred, gain, max, kind);
  if (kind == EdgeFactor::kOverBrightness) {
    scale_over_brightness(image, blurred, gain, max);
  } else {
    scale_over_blurred_brightness(image, blurred, gain, max);
  }
}

void scale_by_edge_factors_plainly(Image &image, const Image &blurred, double gain, int max,
                                   EdgeFactor kind) {
  if (kind == EdgeFactor::kOverBrightness) {
    scale_plainly<OverBrightness>(image, blurred, gain, max);
  } else {
    scale_plainly<OverBlurredBrightness>(image, blurred, gain, max);
  }
}

}  // namespace photofilter
