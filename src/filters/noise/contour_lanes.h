// The contour stage of the full noise reduction with each pixel's r, g and b
// in the lanes of one vector.
#pragma once

#include "image/image.h"

namespace photofilter {

// Equals sharpen_contours (noise_reduction_stages.h) for every image and
// every parameter.
void sharpen_contours_in_lanes(Image &image, const Image &blurred, double contour,
                               double full_scale, int dither);

}  // namespace photofilter
