// "-ec" and "-ec1 gain,radius,weight,max": every pixel is scaled by one
// factor that grows with how much brighter it is than a blurred copy of
// the image, so edges gain contrast while hue is kept. The two commands
// differ only in the factor's formula and clamp.
#include <cstdio>
#include <vector>

#include "image/step_timer.h"
#include "filters/edge/edge_commands.h"
#include "image/kernels.h"
#include "image/running_window.h"
#include "image/sample.h"

namespace photofilter {
namespace {

struct EdgeContrastParameters {
  double gain = 1.0;
  int radius = 1;
  double weight = 1.0;
  int max = 255;
};

// Brightness of a sample sum on the 0..1 scale of `max`, in extended
// precision: sum / 3 / max. A `max` of 0 would divide by zero; 255 stands
// in for it. Sums of three 16-bit samples are few enough to tabulate, which
// saves two extended divisions per value.
class BrightnessTable {
 public:
  explicit BrightnessTable(int max) : values_(kSums) {
    const int divisor = max != 0 ? max : 255;
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
struct EdgeContrastFactor {
  static constexpr bool keeps_black = true;
  long double operator()(long double v, long double vb, double gain) const {
    long double f = (v + gain * (v - vb) * 0.5) / v;
    if (f > 10) return 10;
    if (f < 0) return 0;
    return f;
  }
};

// "-ec1": f = (v - vb) / t * gain + 1 with t = vb + 0.5 (0.5 for a
// negative vb), clamped to 0..3.
struct EdgeContrast1Factor {
  static constexpr bool keeps_black = false;
  long double operator()(long double v, long double vb, double gain) const {
    const long double t = vb < 0 ? 0.5L : vb + 0.5L;
    long double f = (v - vb) / t * gain + 1;
    if (f > 3) return 3;
    if (f < 0) return 0;
    return f;
  }
};

int16_t scaled(int16_t sample, long double factor) {
  return truncate_to_sample(static_cast<long double>(sample) * factor);
}

template <typename Factor>
PHOTOFILTER_INLINE void scale_pixels(Image &image, const Image &blurred,
                                     const BrightnessTable &brightness, double gain,
                                     const Factor &factor) {
  for (int64_t i = 0; i < image.pixel_count(); ++i) {
    Pixel &pixel = image.pixels[i];
    const Pixel &around = blurred.pixels[i];
    const int32_t sum = pixel.r + pixel.g + pixel.b;
    if (Factor::keeps_black && sum == 0) continue;
    const long double f =
        factor(brightness(sum), brightness(around.r + around.g + around.b), gain);
    pixel.r = scaled(pixel.r, f);
    pixel.g = scaled(pixel.g, f);
    pixel.b = scaled(pixel.b, f);
  }
}

PHOTOFILTER_MULTIVERSION void scale_by_factors(Image &image, const Image &blurred,
                                               const BrightnessTable &brightness, double gain,
                                               const EdgeContrastFactor &factor) {
  scale_pixels(image, blurred, brightness, gain, factor);
}

PHOTOFILTER_MULTIVERSION void scale_by_factors(Image &image, const Image &blurred,
                                               const BrightnessTable &brightness, double gain,
                                               const EdgeContrast1Factor &factor) {
  scale_pixels(image, blurred, brightness, gain, factor);
}

template <typename Factor>
void edge_contrast_with(const char *word, Image &image, const Factor &factor) {
  EdgeContrastParameters p;
  std::sscanf(word, "%lf,%d,%lf,%d", &p.gain, &p.radius, &p.weight, &p.max);
  std::fprintf(stderr, "edge contrast gain %g radius %d weight %g max %d\n", p.gain, p.radius,
               p.weight, p.max);
  Image blurred = image.scratch_copy();
  for (int k = 0; k < p.radius; ++k) {
    std::fprintf(stderr, "wblur %d radius %d weight %g\n", k, p.radius, p.weight);
    weighted_blur(blurred, p.radius, p.weight);
  }
  scale_by_factors(image, blurred, BrightnessTable(p.max), p.gain, factor);
  step_timer("edge contrast done");
}

}  // namespace

void edge_contrast(const char *word, Image &image) {
  edge_contrast_with(word, image, EdgeContrastFactor{});
}

void edge_contrast1(const char *word, Image &image) {
  edge_contrast_with(word, image, EdgeContrast1Factor{});
}

}  // namespace photofilter
