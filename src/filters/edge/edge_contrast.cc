// "-ec" and "-ec1 gain,radius,weight,max": every pixel is scaled by one
// factor that grows with how much brighter it is than a blurred copy of
// the image, so edges gain contrast while hue is kept. The two commands
// differ only in the factor's formula and clamp, and "-ec" keeps black
// pixels as they are.
//
// This file holds the plan, the rule for one pixel in plain extended
// precision, and the transformation. The transformation scales by the
// lanes of edge_contrast_lanes.cc, which give the rule's samples faster,
// and blurs the copy a band of rows at a time (edge_contrast_bands.cc).
#include "filters/edge/edge_contrast.h"

#include <cstdio>

#include "filters/edge/edge_commands.h"
#include "filters/edge/edge_contrast_bands.h"
#include "filters/edge/edge_contrast_scaling.h"
#include "image/multiversion.h"
#include "image/parameter_scan.h"
#include "image/sample.h"
#include "image/step_timer.h"

namespace photofilter {

EdgeContrastPlan plan_edge_contrast(const char *word) {
  EdgeContrastPlan p;
  scan_parameters(word, "%lf,%d,%lf,%d", &p.gain, &p.radius, &p.weight, &p.max);
  std::fprintf(stderr, "edge contrast gain %g radius %d weight %g max %d\n", p.gain, p.radius,
               p.weight, p.max);
  return p;
}

// The rule. v and vb are the brightness values S/3/divisor and SB/3/divisor
// of the sample sums S of a pixel and SB of the same pixel in the blurred
// copy, in extended precision, as is all that follows from them; gain is a
// double.

int edge_divisor(int max) { return max != 0 ? max : 255; }

// "-ec": f = (v + gain*(v - vb)*0.5) / v, clamped to 0..10.
long double OverBrightness::operator()(long double v, long double vb, double gain) const {
  const long double f = (v + gain * (v - vb) * 0.5) / v;
  if (f > kHighest) return kHighest;
  if (f < 0) return 0;
  return f;
}

// "-ec1": f = (v - vb) / t * gain + 1 with t = vb + 0.5 (0.5 for a
// negative vb), clamped to 0..3.
long double OverBlurredBrightness::operator()(long double v, long double vb, double gain) const {
  const long double t = vb < 0 ? 0.5L : vb + 0.5L;
  const long double f = (v - vb) / t * gain + 1;
  if (f > kHighest) return kHighest;
  if (f < 0) return 0;
  return f;
}

namespace {

// A sample times the factor, truncated toward zero, saturated.
int16_t scaled(int16_t sample, long double factor) {
  return truncate_to_sample(static_cast<long double>(sample) * factor);
}

// One pixel: the factor of its brightness against the blurred one, then
// each of r, g and b times the factor. "-ec" leaves a black pixel (sum 0)
// as it is. Inlined into the plain row and into scale_pixel_plainly, which
// the lanes call for the pixels they redo.
template <typename Rule>
PHOTOFILTER_INLINE void scale_pixel_by(Pixel &pixel, const Pixel &around, double gain,
                                       const BrightnessTable<long double> &brightness) {
  const int32_t sum = pixel.r + pixel.g + pixel.b;
  if (Rule::keeps_black && sum == 0) return;
  const int32_t blurred_sum = around.r + around.g + around.b;
  const long double f = Rule{}(brightness(sum), brightness(blurred_sum), gain);
  pixel.r = scaled(pixel.r, f);
  pixel.g = scaled(pixel.g, f);
  pixel.b = scaled(pixel.b, f);
}

template <typename Rule>
void scale_row_by(Pixel *row, const Pixel *blurred, int64_t n, double gain,
                  const BrightnessTable<long double> &brightness) {
  for (int64_t i = 0; i < n; ++i) scale_pixel_by<Rule>(row[i], blurred[i], gain, brightness);
}

}  // namespace

void scale_pixel_plainly(EdgeFactor kind, Pixel &pixel, const Pixel &around, double gain,
                         const BrightnessTable<long double> &brightness) {
  if (kind == EdgeFactor::kOverBrightness) {
    scale_pixel_by<OverBrightness>(pixel, around, gain, brightness);
  } else {
    scale_pixel_by<OverBlurredBrightness>(pixel, around, gain, brightness);
  }
}

void scale_row_plainly(EdgeFactor kind, Pixel *row, const Pixel *blurred, int64_t n, double gain,
                       const BrightnessTable<long double> &brightness) {
  if (kind == EdgeFactor::kOverBrightness) {
    scale_row_by<OverBrightness>(row, blurred, n, gain, brightness);
  } else {
    scale_row_by<OverBlurredBrightness>(row, blurred, n, gain, brightness);
  }
}

// The blur passes are logged ahead: the bands interleave them with the
// scaling.
void apply_edge_contrast(const EdgeContrastPlan &p, EdgeFactor kind, EdgeRows &image) {
  const EdgeScaler scaler(p.gain, p.max, kind);
  const int64_t band_rows = edge_band_rows(p.radius, image.width(), image.height());
  EdgeBands bands(image, p.radius, p.weight, band_rows,
                  edge_part_count(p.radius, band_rows, image.height()));
  for (int k = 0; k < p.radius; ++k) {
    std::fprintf(stderr, "wblur %d radius %d weight %g\n", k, p.radius, p.weight);
  }
  bands.blur_and_scale(image, scaler);
  step_timer("edge contrast done");
}

void edge_contrast(const char *word, Image &image) {
  const EdgeContrastPlan p = plan_edge_contrast(word);
  ImageEdgeRows rows(image);
  apply_edge_contrast(p, EdgeFactor::kOverBrightness, rows);
}

void edge_contrast1(const char *word, Image &image) {
  const EdgeContrastPlan p = plan_edge_contrast(word);
  ImageEdgeRows rows(image);
  apply_edge_contrast(p, EdgeFactor::kOverBlurredBrightness, rows);
}

// "-ec" and "-ec1" share their plan.
void check_edge_contrast(const char *word, ImageHeader &) { plan_edge_contrast(word); }

}  // namespace photofilter
