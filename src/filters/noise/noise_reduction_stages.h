// The stages of the full and the colour noise reduction that follow their
// blur cycles, in plain code.
#pragma once

#include "image/image.h"

namespace photofilter {

// Each r, g, b sample v with 0 <= v <= full_scale becomes
// trunc(pow(v / full_scale, 1 / gamma) * full_scale + 0.1); other samples
// and aux stay.
void brighten_with_gamma(Image &image, double gamma, int full_scale);

// Scales every pixel by f = (1 + (Lb - L) * L * contour * 0.666)^2, where L
// and Lb are the brightness (sum / 3 / full_scale) of the pixel and of the
// same pixel of `blurred`. Truncation remainders are carried along each
// row, and a non-zero `dither` moves that amount between two channels
// picked by a phase fed from the blurred pixels.
void sharpen_contours(Image &image, const Image &blurred, double contour, double full_scale,
                      int dither);

// Each pixel's r, g, b become trunc(c' * O / T + 0.5) of the same pixel's
// channels c' of `blurred`, with O and T the channel sums of the pixel and
// of the blurred pixel; where T is 0 the pixel stays.
void take_blurred_proportions(Image &image, const Image &blurred);

}  // namespace photofilter
