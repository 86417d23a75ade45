// "-comp d": shrinks the image by an integer factor. Every result pixel is
// the truncated mean of a d x d block; blocks at the right and bottom edges
// hold only the pixels that exist.
#include <algorithm>
#include <cstdio>
#include <type_traits>
#include <vector>

#include "filters/geometry/geometry_commands.h"
#include "filters/geometry/geometry_support.h"
#include "image/errors.h"
#include "image/multiversion.h"
#include "image/sample.h"
#include "image/step_timer.h"

namespace photofilter {
namespace {

// Sides of 0 stay 0; others become n/d rounded up.
int32_t compressed_side(int32_t n, int32_t d) { return n == 0 ? 0 : (n - 1) / d + 1; }

template <typename Sum>
struct ChannelSums {
  Sum r, g, b;
};

// The mean of a block from its sums. A sum of at most 2^52 and a count
// above 0 give a double quotient that never crosses an integer, so its
// truncation is exactly the truncated integer quotient.
template <typename Sum>
PHOTOFILTER_INLINE Pixel block_mean(const ChannelSums<Sum> &s, int64_t count) {
  const double c = static_cast<double>(count);
  return Pixel{static_cast<int16_t>(static_cast<double>(s.r) / c),
               static_cast<int16_t>(static_cast<double>(s.g) / c),
               static_cast<int16_t>(static_cast<double>(s.b) / c), 0};
}

// Pixels of the widened image, or 3 bytes a pixel of the packed one.
PHOTOFILTER_INLINE int16_t red(const Pixel *row, int32_t x) { return row[x].r; }
PHOTOFILTER_INLINE int16_t green(const Pixel *row, int32_t x) { return row[x].g; }
PHOTOFILTER_INLINE int16_t blue(const Pixel *row, int32_t x) { return row[x].b; }
PHOTOFILTER_INLINE uint8_t red(const uint8_t *row, int32_t x) { return row[3 * x]; }
PHOTOFILTER_INLINE uint8_t green(const uint8_t *row, int32_t x) { return row[3 * x + 1]; }
PHOTOFILTER_INLINE uint8_t blue(const uint8_t *row, int32_t x) { return row[3 * x + 2]; }
PHOTOFILTER_INLINE void store(Pixel *to, int32_t x, Pixel mean) { to[x] = mean; }
// Means of bytes are bytes.
PHOTOFILTER_INLINE void store(uint8_t *to, int32_t x, Pixel mean) {
  to[3 * x] = static_cast<uint8_t>(mean.r);
  to[3 * x + 1] = static_cast<uint8_t>(mean.g);
  to[3 * x + 2] = static_cast<uint8_t>(mean.b);
}

// Sums each source column over the rows of one block row, then each block
// over its columns. `Sum` holds a whole block's sum of samples. A packed
// result may lie in the source's own array, each row before the source
// rows not yet read.
template <typename Sum, typename Sample>
PHOTOFILTER_INLINE void compress_rows(const Sample *source, int32_t nx, int32_t ny, int32_t d,
                                      Sample *to) {
  const int32_t width = compressed_side(nx, d);
  const int64_t per_pixel = std::is_same_v<Sample, Pixel> ? 1 : 3;
  std::vector<ChannelSums<Sum>> column_sums(static_cast<size_t>(nx));
  for (int64_t block_row = 0; block_row * d < ny; ++block_row) {
    const auto y0 = static_cast<int32_t>(block_row * d);
    const int32_t rows = std::min(d, ny - y0);
    std::fill(column_sums.begin(), column_sums.end(), ChannelSums<Sum>{0, 0, 0});
    for (int32_t y = y0; y < y0 + rows; ++y) {
      const Sample *row = source + per_pixel * nx * y;
      ChannelSums<Sum> *sums = column_sums.data();
      for (int32_t x = 0; x < nx; ++x) {
        sums[x].r += red(row, x);
        sums[x].g += green(row, x);
        sums[x].b += blue(row, x);
      }
    }
    for (int32_t i = 0; i < width; ++i) {
      const int32_t x0 = i * d;  // below nx, so no overflow
      const int32_t columns = std::min(d, nx - x0);
      ChannelSums<Sum> block{0, 0, 0};
      for (int32_t x = x0; x < x0 + columns; ++x) {
        block.r += column_sums[x].r;
        block.g += column_sums[x].g;
        block.b += column_sums[x].b;
      }
      store(to, i, block_mean(block, int64_t{rows} * columns));
    }
    to += per_pixel * width;
  }
}

// 32-bit sums hold any block of at most 65536 samples of one channel.
template <typename Sample>
PHOTOFILTER_INLINE void compress_with_sums_that_fit(const Sample *source, int32_t nx, int32_t ny,
                                                    int32_t d, Sample *to) {
  const int64_t largest_block = int64_t{std::min(d, nx)} * std::min(d, ny);
  if (largest_block <= 65536) {
    compress_rows<int32_t>(source, nx, ny, d, to);
  } else {
    compress_rows<int64_t>(source, nx, ny, d, to);
  }
}

PHOTOFILTER_MULTIVERSION void compress_into(const Pixel *source, int32_t nx, int32_t ny,
                                            int32_t d, Pixel *to) {
  compress_with_sums_that_fit(source, nx, ny, d, to);
}

PHOTOFILTER_MULTIVERSION void compress_into(const uint8_t *source, int32_t nx, int32_t ny,
                                            int32_t d, uint8_t *to) {
  compress_with_sums_that_fit(source, nx, ny, d, to);
}

}  // namespace

void compression(const char *word, Image &image) {
  int d = 2;
  std::sscanf(word, "%d", &d);
  if (d < 1) throw InvalidParameter("factor must be 1 or more");
  std::fprintf(stderr, "compression %d\n", d);
  if (d == 1) {
    if (!image.packed) clear_aux(image);
  } else {
    const int32_t width = compressed_side(image.nx, d);
    const int32_t height = compressed_side(image.ny, d);
    // A block row is summed before its result row is written, and that row
    // ends before the next block row starts.
    if (image.packed) {
      uint8_t *to = packed_position(image.pixels.get(), int64_t{width} * height);
      compress_into(image.packed_bytes(), image.nx, image.ny, d, to);
      image.replace_with_packed(std::move(image.pixels), width, height);
    } else {
      ResultArray compressed(image, int64_t{width} * height, true, "compressed image");
      compress_into(image.pixels.get(), image.nx, image.ny, d, compressed.data());
      compressed.install(width, height);
    }
  }
  step_timer("compressing done");
}

}  // namespace photofilter
