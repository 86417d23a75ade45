// The region noise reduction's colour group on an image still held as
// bytes whose result is written next, streamed through both passes.
#pragma once

#include <cstdint>

#include "image/byte_image.h"

namespace photofilter {

// Whether region_noise_reduction_into_bytes takes an image of this size
// with this radius: a whole window fits along a row and along a column
// (so both passes run), and the streamed passes take it.
bool region_streams_bytes(const ImageHeader &image, int32_t radius);

// Leaves in every sample of the image clamp_to_byte of the sample that
// region_noise_reduction(widen(image), radius, step, step, step, 0, 0)
// gives: the bytes that image would be written with. The image must be
// one region_streams_bytes takes.
void region_noise_reduction_into_bytes(ByteImage &image, int32_t radius, int32_t step);

}  // namespace photofilter
