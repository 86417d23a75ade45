// "-cnr cycles,radius,weight": every pixel takes the colour proportions of
// a strongly blurred copy at the channel sum it had, so colour noise goes
// while brightness detail stays.
#include <cstdio>

#include "filters/noise/blur_cycles.h"
#include "filters/noise/noise_commands.h"
#include "filters/noise/noise_plans.h"
#include "filters/noise/noise_reduction_stages.h"
#include "image/multiversion.h"
#include "image/parallel.h"
#include "image/parameter_scan.h"
#include "image/sample.h"
#include "image/step_timer.h"

namespace photofilter {
namespace {

// trunc(channel * own_sum / blurred_sum + 0.5), in that order.
PHOTOFILTER_INLINE int16_t proportion(int16_t channel, double own_sum, double blurred_sum) {
  return truncate_number_to_sample(channel * own_sum / blurred_sum + 0.5);
}

PHOTOFILTER_MULTIVERSION void recombine(Pixel *pixels, const Pixel *blurred, int64_t count) {
  for (int64_t i = 0; i < count; ++i) {
    Pixel &p = pixels[i];
    const Pixel &q = blurred[i];
    const int32_t blurred_sum = int32_t{q.r} + q.g + q.b;
    if (blurred_sum == 0) continue;
    const double own = int32_t{p.r} + p.g + p.b;
    p.r = proportion(q.r, own, blurred_sum);
    p.g = proportion(q.g, own, blurred_sum);
    p.b = proportion(q.b, own, blurred_sum);
  }
}

}  // namespace

ColorNoiseReductionPlan plan_color_noise_reduction(const char *word) {
  ColorNoiseReductionPlan p;
  scan_parameters(word, "%d,%d,%lf", &p.cycles, &p.radius, &p.weight);
  std::fprintf(stderr, "color noise reduction cycles %d radius %d weight %g\n", p.cycles,
               p.radius, p.weight);
  return p;
}

void take_blurred_proportions(Image &image, const Image &blurred) {
  // Pixel by pixel, over the run's threads.
  split_pixels(image.pixel_count(), [&](int64_t begin, int64_t end) {
    recombine(image.pixels.get() + begin, blurred.pixels.get() + begin, end - begin);
  });
}

void color_noise_reduction(const char *word, Image &image) {
  const ColorNoiseReductionPlan p = plan_color_noise_reduction(word);
  Image blurred = image.scratch_copy();
  run_blur_cycles(blurred, p.cycles, p.radius, blur_weight(p.weight),
                  "color noise reduction cycle");
  take_blurred_proportions(image, blurred);
  step_timer("color noise reduction done");
}

void check_color_noise_reduction(const char *word, ImageHeader &) {
  plan_color_noise_reduction(word);
}

}  // namespace photofilter
