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

// Truncating division of block sums by the pixel count of a block. When
// |sum| * count < 2^32 it is a multiplication: with m = floor(2^32/count) + 1
// = (2^32 + e)/count, 0 < e <= count, a >= 0 gives
// a*m / 2^32 = a/count + a*e/(count*2^32), and the added term is below
// 1/count because a*e <= a*count < 2^32; a/count lies at least 1/count
// below the next integer, so the floor is the same. A negative sum is
// divided as its magnitude and negated (truncation toward zero).
template <bool kSigned>
struct MultiplyingDivider {
  uint64_t magic;
  static bool exact_for(int64_t count, int64_t largest_sample) {
    return count < 65536 && largest_sample * count * count < (int64_t{1} << 32);
  }
  explicit MultiplyingDivider(int64_t count)
      : magic((uint64_t{1} << 32) / static_cast<uint64_t>(count) + 1) {}
  template <typename Sum>
  PHOTOFILTER_INLINE int16_t operator()(Sum sum) const {
    if constexpr (kSigned) {
      const auto magnitude = static_cast<uint64_t>(sum < 0 ? -int64_t{sum} : int64_t{sum});
      const auto quotient = static_cast<int32_t>((magnitude * magic) >> 32);
      return static_cast<int16_t>(sum < 0 ? -quotient : quotient);
    } else {
      return static_cast<int16_t>((static_cast<uint64_t>(sum) * magic) >> 32);
    }
  }
};

// Other sums are divided in double: a sum of at most 2^52 and a count above
// 0 give a double quotient that never crosses an integer, so its truncation
// is exactly the truncated integer quotient.
struct DoubleDivider {
  double count;
  explicit DoubleDivider(int64_t n) : count(static_cast<double>(n)) {}
  template <typename Sum>
  PHOTOFILTER_INLINE int16_t operator()(Sum sum) const {
    return static_cast<int16_t>(static_cast<double>(sum) / count);
  }
};

// Adds a source row into per-sample sums (r, g, b of each column), or
// starts them with it.
template <typename Sum>
PHOTOFILTER_INLINE void add_row(const uint8_t *row, int32_t nx, bool first, Sum *sums) {
  const size_t n = static_cast<size_t>(nx) * 3;
  if (first) {
    for (size_t k = 0; k < n; ++k) sums[k] = row[k];
  } else {
    for (size_t k = 0; k < n; ++k) sums[k] += row[k];
  }
}
template <typename Sum>
PHOTOFILTER_INLINE void add_row(const Pixel *row, int32_t nx, bool first, Sum *sums) {
  for (int32_t x = 0; x < nx; ++x, sums += 3) {
    sums[0] = (first ? 0 : sums[0]) + row[x].r;
    sums[1] = (first ? 0 : sums[1]) + row[x].g;
    sums[2] = (first ? 0 : sums[2]) + row[x].b;
  }
}

// Stores a result pixel; means of bytes are bytes.
PHOTOFILTER_INLINE void store(Pixel *to, int16_t r, int16_t g, int16_t b) {
  *to = Pixel{r, g, b, 0};
}
PHOTOFILTER_INLINE void store(uint8_t *to, int16_t r, int16_t g, int16_t b) {
  to[0] = static_cast<uint8_t>(r);
  to[1] = static_cast<uint8_t>(g);
  to[2] = static_cast<uint8_t>(b);
}

// The mean of each block of `columns` columns from block `first` on.
template <int kColumns, typename Sum, typename Divide, typename Sample>
PHOTOFILTER_INLINE void block_means(const Sum *sums, int32_t first, int32_t end, int32_t d,
                                    int32_t columns, Divide divide, Sample *to) {
  constexpr int64_t per_pixel = std::is_same_v<Sample, Pixel> ? 1 : 3;
  if constexpr (kColumns > 0) columns = kColumns;
  for (int32_t i = first; i < end; ++i) {
    const Sum *block = sums + int64_t{3} * i * d;
    Sum r = 0, g = 0, b = 0;
    for (int32_t k = 0; k < columns; ++k, block += 3) {
      r += block[0];
      g += block[1];
      b += block[2];
    }
    store(to + per_pixel * i, divide(r), divide(g), divide(b));
  }
}

// The means of one block row: all blocks but the last are d columns wide.
template <typename Sum, typename Sample>
PHOTOFILTER_INLINE void block_row_means(const Sum *sums, int32_t width, int32_t d, int32_t rows,
                                        int32_t last_columns, Sample *to) {
  constexpr bool bytes = !std::is_same_v<Sample, Pixel>;
  using Multiplying = MultiplyingDivider<!bytes>;
  const int64_t count = int64_t{rows} * d;
  if (d == 2 && Multiplying::exact_for(count, bytes ? 255 : 32768)) {
    block_means<2>(sums, 0, width - 1, d, d, Multiplying(count), to);
  } else if (Multiplying::exact_for(count, bytes ? 255 : 32768)) {
    block_means<0>(sums, 0, width - 1, d, d, Multiplying(count), to);
  } else {
    block_means<0>(sums, 0, width - 1, d, d, DoubleDivider(count), to);
  }
  const int64_t last_count = int64_t{rows} * last_columns;
  if (Multiplying::exact_for(last_count, bytes ? 255 : 32768)) {
    block_means<0>(sums, width - 1, width, d, last_columns, Multiplying(last_count), to);
  } else {
    block_means<0>(sums, width - 1, width, d, last_columns, DoubleDivider(last_count), to);
  }
}

// Sums each source column over the rows of one block row, then each block
// over its columns. `Sum` holds a whole block's sum of samples. The
// result may lie in the source's own memory, each row before the source
// rows not yet read.
template <typename Sum, typename Sample>
PHOTOFILTER_INLINE void compress_rows(const Sample *source, int32_t nx, int32_t ny, int32_t d,
                                      Sample *to) {
  constexpr int64_t per_pixel = std::is_same_v<Sample, Pixel> ? 1 : 3;
  const int32_t width = compressed_side(nx, d);
  if (width == 0) return;
  const int32_t last_columns = nx - (width - 1) * d;
  std::vector<Sum> column_sums(static_cast<size_t>(nx) * 3);
  for (int64_t block_row = 0; block_row * d < ny; ++block_row) {
    const auto y0 = static_cast<int32_t>(block_row * d);
    const int32_t rows = std::min(d, ny - y0);
    for (int32_t y = y0; y < y0 + rows; ++y) {
      add_row(source + per_pixel * nx * y, nx, y == y0, column_sums.data());
    }
    block_row_means(column_sums.data(), width, d, rows, last_columns, to);
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

// The factor, checked and logged.
int compression_plan(const char *word) {
  int d = 2;
  std::sscanf(word, "%d", &d);
  if (d < 1) throw InvalidParameter("factor must be 1 or more");
  std::fprintf(stderr, "compression %d\n", d);
  return d;
}

}  // namespace

void compression(const char *word, Image &image) {
  const int d = compression_plan(word);
  if (d == 1) {
    clear_aux(image);
  } else {
    const int32_t width = compressed_side(image.nx, d);
    const int32_t height = compressed_side(image.ny, d);
    // A block row is summed before its result row is written, and that row
    // ends before the next block row starts: the result takes the source's
    // own array.
    compress_into(image.pixels.get(), image.nx, image.ny, d, image.pixels.get());
    image.replace_pixels(std::move(image.pixels), width, height);
  }
  step_timer("compressing done");
}

void compression_bytes(const char *word, WorkingImage &working, bool) {
  ByteImage &image = working.bytes();
  const int d = compression_plan(word);
  if (d > 1) {
    const int32_t width = compressed_side(image.nx, d);
    const int32_t height = compressed_side(image.ny, d);
    // As above; the smaller image's bytes start no later than the source's.
    uint8_t *to = byte_position(image.storage.get(), int64_t{width} * height);
    compress_into(image.bytes(), image.nx, image.ny, d, to);
    image.replace(std::move(image.storage), width, height);
  }
  step_timer("compressing done");
}

}  // namespace photofilter
