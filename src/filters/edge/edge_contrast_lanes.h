// The pixel pass of "-ec" and "-ec1" in double, in AVX lanes.
#pragma once

#include <cstdint>

#include "filters/edge/edge_contrast.h"
#include "filters/edge/edge_contrast_scaling.h"
#include "image/image.h"

namespace photofilter {

// Gives what scale_row_plainly(kind, row, blurred, n, gain, brightness)
// gives, sample for sample; `brightness` must divide by `divisor`. Pixels
// whose double results it cannot prove equal are redone by
// scale_pixel_plainly.
void scale_row_in_lanes(EdgeFactor kind, Pixel *row, const Pixel *blurred, int64_t n, double gain,
                        int divisor, const BrightnessTable<long double> &brightness);

}  // namespace photofilter
