// What the handler file of "-ec" and "-ec1" offers the rest of the family:
// the plan, the rule for one pixel, and the transformation, so that the
// byte entry points and the fast pass reuse them.
#pragma once

#include <cstdint>

#include "image/brightness_table.h"
#include "image/image.h"

namespace photofilter {

class EdgeRows;

// The parameters of both commands, with their defaults.
struct EdgeContrastPlan {
  double gain = 1.0;
  int radius = 1;  // of each blur pass, and the number of passes
  double weight = 1.0;
  int max = 255;  // full scale of the brightness values; 0 counts as 255
};

// Defaults, scan and parameter line of "-ec" and "-ec1".
EdgeContrastPlan plan_edge_contrast(const char *word);

// The two factors. v and vb are the brightness values of a pixel and of the
// same pixel in the blurred copy; each factor is clamped to 0..kHighest.
enum class EdgeFactor {
  kOverBrightness,         // "-ec": f = (v + gain*(v - vb)*0.5) / v
  kOverBlurredBrightness,  // "-ec1": f = (v - vb) / (vb + 0.5) * gain + 1
};

struct OverBrightness {
  static constexpr EdgeFactor kind = EdgeFactor::kOverBrightness;
  static constexpr bool keeps_black = true;  // a pixel of sample sum 0 is left as it is
  static constexpr double kHighest = 10;
  long double operator()(long double v, long double vb, double gain) const;
};

struct OverBlurredBrightness {
  static constexpr EdgeFactor kind = EdgeFactor::kOverBlurredBrightness;
  static constexpr bool keeps_black = false;
  static constexpr double kHighest = 3;
  long double operator()(long double v, long double vb, double gain) const;
};

// The divisor of the brightness values for a `max`: 0 counts as 255.
int edge_divisor(int max);

// The rule for one pixel, in extended precision: r, g and b of `pixel`
// times one factor worked out against `around`, the same pixel blurred.
// `brightness` gives sum/3/divisor.
void scale_pixel_plainly(EdgeFactor kind, Pixel &pixel, const Pixel &around, double gain,
                         const BrightnessTable<long double> &brightness);

// The same for each of the n pixels of `row` against those of `blurred`.
void scale_row_plainly(EdgeFactor kind, Pixel *row, const Pixel *blurred, int64_t n, double gain,
                       const BrightnessTable<long double> &brightness);

// The transformation of both commands: the "wblur" lines, `radius` blur
// passes over a copy of the image, every pixel scaled against the copy, and
// the step line.
void apply_edge_contrast(const EdgeContrastPlan &p, EdgeFactor kind, EdgeRows &image);

}  // namespace photofilter
