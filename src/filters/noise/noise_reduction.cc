// "-nr cycles,average,contour,weight,max,dither": blur cycles of growing
// radius, a gentle gamma lift after an averaging blur, and contour
// sharpening against a lightly blurred copy of the input.
#include <cmath>
#include <cstdio>
#include <vector>

#include "filters/noise/blur_cycles.h"
#include "filters/noise/noise_commands.h"
#include "filters/noise/noise_reduction_stages.h"
#include "image/channel_dither.h"
#include "image/kernels.h"
#include "image/multiversion.h"
#include "image/sample.h"
#include "image/step_timer.h"

namespace photofilter {
namespace {

constexpr int32_t kLowestSum = 3 * INT16_MIN;
constexpr int32_t kHighestSum = 3 * INT16_MAX;

// Brightness sum / 3 / full_scale of every channel sum that can occur,
// worked out once instead of with two divisions per pixel.
class BrightnessTable {
 public:
  explicit BrightnessTable(double full_scale) : values_(kHighestSum - kLowestSum + 1) {
    for (int32_t sum = kLowestSum; sum <= kHighestSum; ++sum) {
      values_[sum - kLowestSum] = static_cast<double>(sum) / 3 / full_scale;
    }
  }
  double operator()(int32_t sum) const { return values_[sum - kLowestSum]; }

 private:
  std::vector<double> values_;
};

int32_t channel_sum(const Pixel &p) { return int32_t{p.r} + p.g + p.b; }

// The remainders of a row's scaled values: whenever one channel's
// accumulated fraction passes 0.5, that channel's next value is raised by 1.
struct RowRemainders {
  double r = 0, g = 0, b = 0;

  static PHOTOFILTER_INLINE void carry(double &value, double &accumulated) {
    accumulated += value - std::trunc(value);
    if (accumulated > 0.5) {
      value += 1;
      accumulated -= 1;
    }
  }
};

// The dither phase: (phase + sum + x + y) remainder 6, negative for a
// negative dividend.
int next_phase(int phase, int32_t sum, int32_t x, int32_t y) {
  return static_cast<int>((int64_t{phase} + sum + x + y) % 6);
}

PHOTOFILTER_MULTIVERSION void sharpen_rows(Image &image, const Image &blurred,
                                           const BrightnessTable &brightness, double contour,
                                           int dither) {
  int phase = 0;
  for (int32_t y = 0; y < image.ny; ++y) {
    Pixel *row = image.row(y);
    const Pixel *around = blurred.row(y);
    RowRemainders remainders;
    for (int32_t x = 0; x < image.nx; ++x) {
      Pixel &p = row[x];
      const int32_t blurred_sum = channel_sum(around[x]);
      const double l = brightness(channel_sum(p));
      const double lb = brightness(blurred_sum);
      const double t = 1 + (lb - l) * l * contour * 0.666;
      const double f = t * t;
      double r = p.r * f, g = p.g * f, b = p.b * f;
      RowRemainders::carry(r, remainders.r);
      RowRemainders::carry(g, remainders.g);
      RowRemainders::carry(b, remainders.b);
      if (dither != 0) {
        phase = next_phase(phase, blurred_sum, x, y);
        move_between_channels(phase, static_cast<double>(dither), r, g, b);
      }
      p.r = truncate_to_sample(r);
      p.g = truncate_to_sample(g);
      p.b = truncate_to_sample(b);
    }
  }
}

}  // namespace

void brighten_with_gamma(Image &image, double gamma, int full_scale) {
  if (full_scale < 0) return;
  // Indexed by sample + 32768; samples outside 0..full_scale map to themselves.
  std::vector<int16_t> table(65536);
  for (int32_t v = INT16_MIN; v <= INT16_MAX; ++v) table[v + 32768] = static_cast<int16_t>(v);
  const int32_t top = full_scale < INT16_MAX ? full_scale : INT16_MAX;
  const double m = full_scale;
  for (int32_t j = 0; j <= top; ++j) {
    table[j + 32768] = truncate_to_sample(std::pow(j / m, 1 / gamma) * m + 0.1);
  }
  for (int64_t i = 0; i < image.pixel_count(); ++i) {
    Pixel &p = image.pixels[i];
    p.r = table[p.r + 32768];
    p.g = table[p.g + 32768];
    p.b = table[p.b + 32768];
  }
}

void sharpen_contours(Image &image, const Image &blurred, double contour, double full_scale,
                      int dither) {
  sharpen_rows(image, blurred, BrightnessTable(full_scale), contour, dither);
}

void noise_reduction(const char *word, Image &image) {
  int cycles = 1;
  int average = 10;
  double contour = 1.0;
  double weight = 1.0;
  int max = 255;
  int dither = 1;
  std::sscanf(word, "%d,%d,%lf,%lf,%d,%d", &cycles, &average, &contour, &weight, &max, &dither);
  if (average == 0) average = cycles;
  std::fprintf(stderr,
               "noise reduction cycles %d average %d contour %g weight %g max %d dither %d\n",
               cycles, average, contour, weight, max, dither);
  const double blur = blur_weight(weight);
  // The contour stage compares against the input as it was; without that
  // stage no copy is needed.
  const bool sharpen = contour > 0.01;
  Image copy;
  if (sharpen) copy = image.scratch_copy();
  run_blur_cycles(image, cycles, average, blur, "noise reduction cycle");
  const int full_scale = max != 0 ? max : 255;
  if (blur > 0) {
    const double gamma = 1 + 0.01 * cycles;
    std::fprintf(stderr, "gamma correction %g\n", gamma);
    brighten_with_gamma(image, gamma, full_scale);
  }
  if (sharpen) {
    std::fprintf(stderr, "contour sharping weight %g color dithering %d \n", contour, dither);
    weighted_blur(copy, 1, 1.0);
    sharpen_contours(image, copy, contour, full_scale, dither);
    step_timer("contour sharping");
  }
  step_timer("noise reduction done");
}

}  // namespace photofilter
