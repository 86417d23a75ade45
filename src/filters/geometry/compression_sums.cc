// The compression from flat column sums: the source columns of a block row
// are summed per sample (r, g, b of every column side by side), then each
// block over its columns, and each block sum is divided by an exact
// multiplication where its bound holds.
//
// Contract: compress_fast gives, for every image and factor of 1 or more, the
// pixels of compress_plainly (compression.cc). The sums are exact
// integers whatever their order (32-bit sums for blocks of at most 65536
// samples of 16 bits, 64-bit ones above), and each quotient is the
// truncated integer quotient:
// - By multiplication when |sum| * count < 2^32. With
//   m = floor(2^32/count) + 1 = (2^32 + e)/count, 0 < e <= count, a >= 0
//   gives a*m / 2^32 = a/count + a*e/(count*2^32), and the added term is
//   below 1/count because a*e <= a*count < 2^32; a/count lies at least
//   1/count below the next integer, so the floor is the same. A negative
//   sum is divided as its magnitude and negated (truncation toward zero).
// - In double otherwise: a sum of at most 2^52 and a count above 0 give a
//   double quotient that never crosses an integer, so its truncation is
//   exactly the truncated integer quotient.
#include <algorithm>
#include <type_traits>
#include <vector>

#include "filters/geometry/compression.h"
#include "filters/geometry/geometry_support.h"
#include "image/multiversion.h"

namespace photofilter {
namespace {

// Truncating division of block sums by the pixel count of a block, by an
// exact multiplication.
template <bool kSigned>
struct Multiplying {
  uint64_t magic;
  static bool exact_for(int64_t count, int64_t largest_sample) {
    return count < 65536 && largest_sample * count * count < (int64_t{1} << 32);
  }
  explicit Multiplying(int64_t count)
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

// The same in double, for the other sums.
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

// The mean of each block of `columns` columns from block `first` on.
template <int kColumns, typename Sum, typename Divide, typename Sample>
PHOTOFILTER_INLINE void block_means(const Sum *sums, int32_t first, int32_t end, int32_t d,
                                    int32_t columns, Divide divide, Sample *to) {
  if constexpr (kColumns > 0) columns = kColumns;
  for (int32_t i = first; i < end; ++i) {
    const Sum *block = sums + int64_t{3} * i * d;
    Sum r = 0, g = 0, b = 0;
    for (int32_t k = 0; k < columns; ++k, block += 3) {
      r += block[0];
      g += block[1];
      b += block[2];
    }
    store(to + kResultStep<Sample> * i, divide(r), divide(g), divide(b));
  }
}

// The means of one block row: all blocks but the last are d columns wide.
template <typename Sum, typename Sample>
PHOTOFILTER_INLINE void block_row_means(const Sum *sums, int32_t width, int32_t d, int32_t rows,
                                        int32_t last_columns, Sample *to) {
  constexpr bool bytes = !std::is_same_v<Sample, Pixel>;
  using Multiply = Multiplying<!bytes>;
  const int64_t count = int64_t{rows} * d;
  if (d == 2 && Multiply::exact_for(count, bytes ? 255 : 32768)) {
    block_means<2>(sums, 0, width - 1, d, d, Multiply(count), to);
  } else if (Multiply::exact_for(count, bytes ? 255 : 32768)) {
    block_means<0>(sums, 0, width - 1, d, d, Multiply(count), to);
  } else {
    block_means<0>(sums, 0, width - 1, d, d, DoubleDivider(count), to);
  }
  const int64_t last_count = int64_t{rows} * last_columns;
  if (Multiply::exact_for(last_count, bytes ? 255 : 32768)) {
    block_means<0>(sums, width - 1, width, d, last_columns, Multiply(last_count), to);
  } else {
    block_means<0>(sums, width - 1, width, d, last_columns, DoubleDivider(last_count), to);
  }
}

// Sums each source column over the rows of one block row, then each block
// over its columns. `Sum` holds a whole block's sum of samples.
template <typename Sum, typename Sample>
PHOTOFILTER_INLINE void compress_rows(const Sample *source, int32_t nx, int32_t ny, int32_t d,
                                      Sample *to) {
  constexpr int64_t per_pixel = kResultStep<Sample>;
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

}  // namespace

PHOTOFILTER_MULTIVERSION void compress_fast(const Pixel *source, int32_t nx, int32_t ny,
                                            int32_t d, Pixel *to) {
  compress_with_sums_that_fit(source, nx, ny, d, to);
}

PHOTOFILTER_MULTIVERSION void compress_fast(const uint8_t *source, int32_t nx, int32_t ny,
                                            int32_t d, uint8_t *to) {
  compress_with_sums_that_fit(source, nx, ny, d, to);
}

}  // namespace photofilter
