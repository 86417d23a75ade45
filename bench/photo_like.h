// A generated photo-like image for benchmarks: gradients, texture and
// noise on a mostly dark ground, with bright highlights rimmed by red or
// blue fringes every few hundred pixels, so that the noise reductions and
// the fringe corrections do real work. Samples 0..255, aux 0.
#pragma once

#include <cstdint>

#include "image/image.h"

namespace photofilter::bench {

Image photo_like_image(int32_t width, int32_t height);

}  // namespace photofilter::bench
