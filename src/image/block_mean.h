// The 2x2 block mean shared by the blur that shrinks the image by one
// pixel and the test filter.
#pragma once

#include <cstdint>

#include "image/byte_image.h"
#include "image/image.h"
#include "image/multiversion.h"

namespace photofilter {

// The mean of four samples, their sum times 0.25 truncated toward zero:
// that is exactly the integer quotient sum / 4, and the mean of four
// 16-bit samples always fits a sample.
PHOTOFILTER_INLINE int16_t mean_of_four(int32_t a, int32_t b, int32_t c, int32_t d) {
  return static_cast<int16_t>((a + b + c + d) / 4);
}

// Replaces the image by the means of its 2x2 blocks: pixel (x, y) of the
// result is the mean of pixels (x, y), (x+1, y), (x, y+1) and (x+1, y+1),
// per channel, truncated toward zero; aux is 0. The image becomes one
// pixel narrower and one pixel lower, so an image one pixel wide or high
// becomes empty. An image that is already empty is left as it is.
void shrink_by_block_mean(Image &image);

// The same for an image held as bytes, which stays bytes: means of bytes
// are bytes (block_mean_bytes.cc).
void shrink_by_block_mean(ByteImage &image);

}  // namespace photofilter
