// The compression by an integer factor ("-comp") between its handler, its
// byte entry point and its fast path: the plan, the plain rule and the
// block sums that give the same pixels.
#pragma once

#include <cstdint>

#include "image/image.h"

namespace photofilter {

// A side of n pixels compressed by d: n/d rounded up; 0 stays 0.
inline int32_t compressed_side(int32_t n, int32_t d) { return n == 0 ? 0 : (n - 1) / d + 1; }

// The factor d and the new size.
struct CompressionPlan {
  int d;
  int32_t width, height;
};

// Scans, checks and logs the factor.
CompressionPlan compression_plan(const char *word, const ImageHeader &image);

// The rule: result pixel (x, y) holds, per channel, the sum over the block
// of columns x*d .. x*d + d - 1 and rows y*d .. y*d + d - 1 (those inside
// the image) divided by the block's pixel count, truncated toward zero;
// aux is 0. `to` is a fresh array of width * height pixels.
void compress_plainly(const Image &source, const CompressionPlan &p, Pixel *to);

// The same pixels from block sums (compression_sums.cc), as Pixels or
// bytes (means of bytes are bytes). Each result row is written once its
// block row is summed, so `to` may lie in the source's own memory,
// provided that result row y ends no later than block row y + 1 starts.
void compress_fast(const Pixel *source, int32_t nx, int32_t ny, int32_t d, Pixel *to);
void compress_fast(const uint8_t *source, int32_t nx, int32_t ny, int32_t d, uint8_t *to);

}  // namespace photofilter
