// The pixel pass of "-ec" and "-ec1": every pixel's r, g and b are scaled by
// one factor worked out from its sample sum and the sum of the same pixel in
// a blurred copy, in extended precision.
#pragma once

#include "image/image.h"

namespace photofilter {

enum class EdgeFactor {
  kOverBrightness,         // "-ec": f = (v + gain*(v - vb)*0.5) / v, 0..10
  kOverBlurredBrightness,  // "-ec1": f = (v - vb) / (vb + 0.5) * gain + 1, 0..3
};

// Scales `image` in place; `blurred` has the same size. A `max` of 0 counts
// as 255.
void scale_by_edge_factors(Image &image, const Image &blurred, double gain, int max,
                           EdgeFactor kind);

// The same, every pixel worked out in extended precision: the reference the
// fast pass above must match sample for sample.
void scale_by_edge_factors_plainly(Image &image, const Image &blurred, double gain, int max,
                                   EdgeFactor kind);

}  // namespace photofilter
