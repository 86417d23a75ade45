// The 2x2 block mean shared by the blur that shrinks the image by one
// pixel and the test filter.
#pragma once

#include "image/byte_image.h"
#include "image/image.h"

namespace photofilter {

// Replaces the image by the means of its 2x2 blocks: pixel (x, y) of the
// result is the mean of pixels (x, y), (x+1, y), (x, y+1) and (x+1, y+1),
// per channel, truncated toward zero; aux is 0. The image becomes one
// pixel narrower and one pixel lower, so an image one pixel wide or high
// becomes empty. An image that is already empty is left as it is.
void shrink_by_block_mean(Image &image);

// The same for an image held as bytes, which stays bytes: means of bytes
// are bytes.
void shrink_by_block_mean(ByteImage &image);

}  // namespace photofilter
