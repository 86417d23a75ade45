// The rules of single pixel removal in plain code. Every decision is taken
// on the input image, so a corrected pixel never influences the decision
// for its neighbours.
#pragma once

#include <cstdint>

#include "image/image.h"
#include "image/window_statistics.h"

namespace photofilter {

// The statistics of the outline of the 3x3 window around (x, y), clipped
// to the image: its top and bottom row, then its left and right column.
// Away from the image edges that is the pixel's eight neighbours; on an
// edge the outline passes through the pixel itself.
WindowStatistics ring_statistics(const Image &image, int32_t x, int32_t y);

// Modes l, d and b: a pixel whose r + g + b is greater than the ring's
// largest (`light`) takes the ring's channel maxima; one whose sum is
// less than the ring's smallest (`dark`) takes its channel minima. Both
// comparisons are strict, so pixels on the image edge never change.
void remove_specks(Image &image, bool light, bool dark);

// Mode x: a pixel of columns 1 .. nx-2 whose r + g + b is greater or less
// than both its left and right neighbour's becomes their channel-wise mean,
// truncated toward zero.
void smooth_horizontal_extremes(Image &image);

}  // namespace photofilter
