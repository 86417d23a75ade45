// The phase that the channel dithering of "-cd" and of the "-nr" contour
// stage carries from pixel to pixel and row to row: at pixel x of row y it
// becomes (phase + s + x + y) % 6, the remainder truncated toward zero, s
// the pixel's channel sum in the image the phases are read from. It
// depends on nothing else, so the phase each row starts with can be worked
// out ahead, and the rows then dithered in any order.
#pragma once

#include <cstdint>
#include <vector>

#include "image/byte_image.h"
#include "image/image.h"

namespace photofilter {

// The channel sum of pixel x of a row of Pixels or of bytes.
inline int64_t channel_sum_at(const Pixel *row, int32_t x) {
  return int64_t{row[x].r} + row[x].g + row[x].b;
}
inline int64_t channel_sum_at(const uint8_t *row, int32_t x) {
  return int64_t{row[3 * x]} + row[3 * x + 1] + row[3 * x + 2];
}

struct RowPhases {
  std::vector<int64_t> start;  // the phase at the start of each row
  int64_t end = 0;             // the phase after the last pixel
};

// The phases of the rows of `sums_from`, the first row starting at `first`.
RowPhases dither_row_phases(const Image &sums_from, int64_t first);
RowPhases dither_row_phases(const ByteImage &sums_from, int64_t first);

}  // namespace photofilter
