// "-nr cycles,average,contour,weight,max,dither": blur cycles of growing
// radius, a gentle gamma lift after an averaging blur, and contour
// sharpening against a lightly blurred copy of the input.
#include <cmath>
#include <cstdio>
#include <vector>

#include "filters/noise/blur_cycles.h"
#include "filters/noise/contour_lanes.h"
#include "filters/noise/noise_commands.h"
#include "filters/noise/noise_plans.h"
#include "filters/noise/noise_reduction_stages.h"
#include "image/brightness_table.h"
#include "image/parameter_scan.h"
#include "image/sample_table.h"
#include "image/channel_dither.h"
#include "image/kernels.h"
#include "image/sample.h"
#include "image/step_timer.h"

namespace photofilter {

NoiseReductionPlan plan_noise_reduction(const char *word) {
  NoiseReductionPlan p;
  scan_parameters(word, "%d,%d,%lf,%lf,%d,%d", &p.cycles, &p.average, &p.contour, &p.weight, &p.max,
              &p.dither);
  if (p.average == 0) p.average = p.cycles;
  std::fprintf(stderr,
               "noise reduction cycles %d average %d contour %g weight %g max %d dither %d\n",
               p.cycles, p.average, p.contour, p.weight, p.max, p.dither);
  return p;
}

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
  int64_t phase = 0;  // runs on across pixels and rows
  for (int32_t y = 0; y < image.ny; ++y) {
    double remainders[3] = {0, 0, 0};  // of r, g, b along the row
    for (int32_t x = 0; x < image.nx; ++x) {
      Pixel &p = image.at(x, y);
      const Pixel &q = blurred.at(x, y);
      const int32_t blurred_sum = int32_t{q.r} + q.g + q.b;
      const double l = brightness_of_sum(int32_t{p.r} + p.g + p.b, full_scale);
      const double lb = brightness_of_sum(blurred_sum, full_scale);
      const double t = 1 + (lb - l) * l * contour * 0.666;
      const double f = t * t;
      double values[3] = {p.r * f, p.g * f, p.b * f};
      for (int c = 0; c < 3; ++c) remainders[c] += values[c] - std::trunc(values[c]);
      for (int c = 0; c < 3; ++c) {
        if (remainders[c] > 0.5) {
          values[c] += 1;
          remainders[c] -= 1;
        }
      }
      if (dither != 0) {
        phase = (phase + blurred_sum + x + y) % 6;
        move_between_channels(static_cast<int>(phase), static_cast<double>(dither), values[0], values[1],
                              values[2]);
      }
      p.r = truncate_to_sample(values[0]);
      p.g = truncate_to_sample(values[1]);
      p.b = truncate_to_sample(values[2]);
    }
  }
}

void noise_reduction(const char *word, Image &image) {
  const NoiseReductionPlan p = plan_noise_reduction(word);
  const double blur = blur_weight(p.weight);
  // The contour stage compares against the input as it was; without that
  // stage no copy is needed.
  const bool sharpen = p.contour > 0.01;
  Image copy;
  if (sharpen) copy = image.scratch_copy();
  run_blur_cycles(image, p.cycles, p.average, blur, "noise reduction cycle");
  const int full_scale = p.max != 0 ? p.max : 255;
  if (blur > 0) {
    const double gamma = 1 + 0.01 * p.cycles;
    std::fprintf(stderr, "gamma correction %g\n", gamma);
    brighten_with_gamma(image, gamma, full_scale);
  }
  if (sharpen) {
    std::fprintf(stderr, "contour sharping weight %g color dithering %d \n", p.contour, p.dither);
    weighted_blur(copy, 1, 1.0);
    sharpen_contours_in_lanes(image, copy, p.contour, full_scale, p.dither);
    step_timer("contour sharping");
  }
  step_timer("noise reduction done");
}

void check_noise_reduction(const char *word, ImageHeader &) { plan_noise_reduction(word); }

}  // namespace photofilter
