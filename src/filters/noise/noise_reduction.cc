// "-nr cycles,average,contour,weight,max,dither": blur cycles of growing
// radius, a gentle gamma lift after an averaging blur, and contour
// sharpening against a lightly blurred copy of the input.
#include <cmath>
#include <cstdio>
#include <vector>

#include "filters/color/sample_table.h"
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

// The scaled r, g and b of a pixel and an unused fourth lane, so that the
// three channels go through the remainder carry and the dither together,
// with lane-wise compares instead of a branch per channel that noisy
// images would mispredict half the time.
using Lanes = double __attribute__((vector_size(32)));
using LaneMask = int64_t __attribute__((vector_size(32)));

// The remainders of a row's scaled values: whenever one channel's
// accumulated fraction passes 0.5, that channel's value is raised by 1.
// Lanes that are not raised get 0 added and subtracted, which leaves
// every value as it was (up to the sign of a zero).
struct RowRemainders {
  Lanes accumulated = {0, 0, 0, 0};

  PHOTOFILTER_INLINE void carry(Lanes &values) {
    const Lanes whole = {std::trunc(values[0]), std::trunc(values[1]), std::trunc(values[2]), 0};
    accumulated += values - whole;
    const LaneMask over = accumulated > 0.5;
    const Lanes ones = {1, 1, 1, 1};
    const Lanes raise = (Lanes)(over & (LaneMask)ones);
    values += raise;
    accumulated -= raise;
  }
};

// The dither move of every phase -5..5 as the signs (+1, -1 or 0) of the
// change it makes to r, g and b, so that a pixel's move is one lane-wise
// multiply-add instead of a jump on a random phase.
class DitherMoves {
 public:
  DitherMoves() {
    for (int phase = -5; phase <= 5; ++phase) {
      double r = 0, g = 0, b = 0;
      move_between_channels(phase, 1.0, r, g, b);
      moves_[phase + 5] = Lanes{r, g, b, 0};
    }
  }
  // Exactly value + amount, value - amount or value (up to the sign of a
  // zero) in each lane.
  PHOTOFILTER_INLINE void apply(int phase, double amount, Lanes &values) const {
    values += amount * moves_[phase + 5];
  }

 private:
  Lanes moves_[11];
};

// The dither phase: (phase + sum + x + y) remainder 6, negative for a
// negative dividend.
PHOTOFILTER_INLINE int next_phase(int phase, int32_t sum, int32_t x, int32_t y) {
  return static_cast<int>((int64_t{phase} + sum + x + y) % 6);
}

PHOTOFILTER_MULTIVERSION void sharpen_rows(Image &image, const Image &blurred,
                                           const BrightnessTable &brightness, double contour,
                                           int dither) {
  const DitherMoves moves;
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
      Lanes values = {p.r * f, p.g * f, p.b * f, 0};
      remainders.carry(values);
      if (dither != 0) {
        phase = next_phase(phase, blurred_sum, x, y);
        moves.apply(phase, dither, values);
      }
      p.r = truncate_to_sample(values[0]);
      p.g = truncate_to_sample(values[1]);
      p.b = truncate_to_sample(values[2]);
    }
  }
}

}  // namespace

void brighten_with_gamma(Image &image, double gamma, int full_scale) {
  if (full_scale < 0) return;
  const double m = full_scale;
  const SampleTable table = SampleTable::on_full_scale(full_scale, [&](int32_t j) {
    return truncate_to_sample(std::pow(j / m, 1 / gamma) * m + 0.1);
  });
  apply_channel_tables(image, table, table, table);
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
