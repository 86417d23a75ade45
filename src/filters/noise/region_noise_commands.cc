// "-snr" and "-fnr": the noise reductions built on the region kernel, which
// moves samples a step toward their window mean where they lie a step or
// more away from it.
#include <cstdio>

#include "filters/noise/noise_commands.h"
#include "filters/noise/noise_plans.h"
#include "filters/noise/timed_cycles.h"
#include "image/kernels.h"
#include "image/multiversion.h"
#include "image/parallel.h"
#include "image/parameter_scan.h"
#include "image/sample.h"
#include "image/step_timer.h"

namespace photofilter {
namespace {

// trunc(v + 255 + 0.5): v + 255, or v + 256 below -255 where the half
// rounds the negative value up.
PHOTOFILTER_INLINE int16_t add_offset(int16_t v) {
  return saturate_sample(int32_t{v} + (v >= -255 ? 255 : 256));
}

// trunc(v - 255 + 0.5): v - 255, or v - 254 below 255.
PHOTOFILTER_INLINE int16_t remove_offset(int16_t v) {
  return saturate_sample(int32_t{v} - (v >= 255 ? 255 : 254));
}

// Lifts every channel by 255 and keeps the channel sum in aux.
PHOTOFILTER_MULTIVERSION void offset_and_sum(Pixel *pixels, int64_t count) {
  for (int64_t i = 0; i < count; ++i) {
    Pixel &p = pixels[i];
    p.r = add_offset(p.r);
    p.g = add_offset(p.g);
    p.b = add_offset(p.b);
    p.aux = saturate_sample(int32_t{p.r} + p.g + p.b);
  }
}

// Scales each pixel so that its channels add up to the smoothed sum in aux
// (the half is subtracted before truncation), then takes the offset off.
PHOTOFILTER_MULTIVERSION void rescale_to_sum(Pixel *pixels, int64_t count) {
  for (int64_t i = 0; i < count; ++i) {
    Pixel &p = pixels[i];
    const int32_t sum = int32_t{p.r} + p.g + p.b;
    const double o = p.aux / static_cast<double>(sum > 0 ? sum : 1);
    p.r = remove_offset(truncate_number_to_sample(p.r * o - 0.5));
    p.g = remove_offset(truncate_number_to_sample(p.g * o - 0.5));
    p.b = remove_offset(truncate_number_to_sample(p.b * o - 0.5));
  }
}

}  // namespace

SimpleNoiseReductionPlan plan_simple_noise_reduction(const char *word) {
  SimpleNoiseReductionPlan p;
  scan_parameters(word, "%d,%d,%d,%d", &p.colour_radius, &p.structure_radius, &p.colour_step,
              &p.structure_step);
  if (p.structure_radius <= 0) p.structure_radius = p.colour_radius / 4 + 1;
  std::fprintf(stderr, "simple noisereduction  cradius,sraduis,cnr,snr %d,%d,%d,%d \n",
               p.colour_radius, p.structure_radius, p.colour_step, p.structure_step);
  return p;
}

void simple_noise_reduction(const char *word, Image &image) {
  const SimpleNoiseReductionPlan p = plan_simple_noise_reduction(word);
  Pixel *pixels = image.pixels.get();
  // Pixel by pixel, over the run's threads.
  split_pixels(image.pixel_count(),
               [&](int64_t begin, int64_t end) { offset_and_sum(pixels + begin, end - begin); });
  region_noise_reduction(image, p.colour_radius, p.colour_step, p.colour_step, p.colour_step,
                         p.structure_radius, p.structure_step);
  split_pixels(image.pixel_count(),
               [&](int64_t begin, int64_t end) { rescale_to_sum(pixels + begin, end - begin); });
  step_timer("simple noisereduction  done");
}

void check_simple_noise_reduction(const char *word, ImageHeader &) {
  plan_simple_noise_reduction(word);
}

FnrNoiseReductionPlan plan_fnr_noise_reduction(const char *word) {
  FnrNoiseReductionPlan p;
  scan_parameters(word, "%d,%d,%d,%d,%d", &p.radius, &p.r_step, &p.g_step, &p.b_step, &p.cycles);
  if (p.radius <= 0) p.radius = 5;
  if (p.g_step < 0) p.g_step = p.r_step;
  if (p.b_step < 0) p.b_step = p.r_step;
  std::fprintf(stderr, "fnr average %d weight %d,%d,%d cycles %d \n", p.radius, p.r_step,
               p.g_step, p.b_step, p.cycles);
  return p;
}

void fnr_noise_reduction(const char *word, Image &image) {
  const FnrNoiseReductionPlan p = plan_fnr_noise_reduction(word);
  // An aux step of 0 leaves aux alone: only the colour group runs.
  timed_cycles(p.cycles, "fnr ", "fnr done", [&] {
    region_noise_reduction(image, p.radius, p.r_step, p.g_step, p.b_step, 0, 0);
  });
}

void check_fnr_noise_reduction(const char *word, ImageHeader &) { plan_fnr_noise_reduction(word); }

}  // namespace photofilter
