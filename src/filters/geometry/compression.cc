// "-comp d": shrinks the image by an integer factor. Every result pixel is
// the truncated mean of a d x d block; blocks at the right and bottom edges
// hold only the pixels that exist. The block sums of compression_sums.cc
// give the same means fast.
#include "filters/geometry/compression.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "filters/geometry/geometry_commands.h"
#include "filters/geometry/geometry_support.h"
#include "image/errors.h"
#include "image/parameter_scan.h"
#include "image/step_timer.h"

namespace photofilter {
namespace {

// The mean of the block from column x0 and row y0 on.
Pixel block_mean(const Image &image, int64_t x0, int64_t y0, int d) {
  const int64_t x1 = std::min<int64_t>(x0 + d, image.nx);
  const int64_t y1 = std::min<int64_t>(y0 + d, image.ny);
  int64_t r = 0, g = 0, b = 0;
  for (int64_t y = y0; y < y1; ++y) {
    for (int64_t x = x0; x < x1; ++x) {
      const Pixel &p = image.row(static_cast<int32_t>(y))[x];
      r += p.r, g += p.g, b += p.b;
    }
  }
  const int64_t count = (x1 - x0) * (y1 - y0);
  return Pixel{static_cast<int16_t>(r / count), static_cast<int16_t>(g / count),
               static_cast<int16_t>(b / count), 0};
}

}  // namespace

CompressionPlan compression_plan(const char *word, const ImageHeader &image) {
  int d = 2;
  scan_parameters(word, "%d", &d);
  if (d < 1) throw InvalidParameter("factor must be 1 or more");
  std::fprintf(stderr, "compression %d\n", d);
  return {d, compressed_side(image.nx, d), compressed_side(image.ny, d)};
}

void compress_plainly(const Image &source, const CompressionPlan &p, Pixel *to) {
  for (int64_t y0 = 0; y0 < source.ny; y0 += p.d) {
    for (int64_t x0 = 0; x0 < source.nx; x0 += p.d) *to++ = block_mean(source, x0, y0, p.d);
  }
}

void compression(const char *word, Image &image) {
  const CompressionPlan p = compression_plan(word, image);
  if (p.d == 1) {
    clear_aux(image);
  } else {
    // Result row y ends at (y + 1) * width <= (y + 1) * d * nx, where block
    // row y + 1 starts: the result takes the source's own array.
    compress_fast(image.pixels.get(), image.nx, image.ny, p.d, image.pixels.get());
    image.replace_pixels(std::move(image.pixels), p.width, p.height);
  }
  step_timer("compressing done");
}

void check_compression(const char *word, ImageHeader &image) {
  const CompressionPlan p = compression_plan(word, image);
  image.nx = p.width;
  image.ny = p.height;
}

}  // namespace photofilter
