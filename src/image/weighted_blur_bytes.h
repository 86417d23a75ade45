// The weighted blur of an image still held as bytes whose result is
// written next: its rows stream through both passes and go back into the
// image's bytes, so no Pixel array is filled, passed over twice and
// narrowed again.
#pragma once

#include <cstdint>

#include "image/byte_image.h"

namespace photofilter {

// Whether weighted_blur_into_bytes takes an image of this size with this
// radius: rows of at most 32767 pixels (their sums fit 32 bits) and a
// window of rows short enough to keep in cache (at most 64 rows each way
// once the radius is cut to the image's height).
bool blur_streams_bytes(const ImageHeader &image, int32_t radius);

// Leaves in every sample of the image clamp_to_byte of the sample that
// weighted_blur(widen(image), radius, weight) gives: the bytes that image
// would be written with. The image must be one blur_streams_bytes takes.
void weighted_blur_into_bytes(ByteImage &image, int32_t radius, double weight);

}  // namespace photofilter
