#include "image/image.h"

#include <cstdio>
#include <cstring>
#include <sys/mman.h>

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdlib>
#include <vector>

#include "image/errors.h"
#include "image/sample.h"
#include "image/multiversion.h"
#include "image/parallel.h"

namespace photofilter {

namespace {

// Large arrays are aligned to and rounded up to 2 MiB and marked for huge
// pages: a 24-megapixel image then takes about a hundred page faults to
// fill instead of some fifty thousand.
constexpr size_t kHugePage = size_t{2} << 20;

}  // namespace

void PixelArrayDeleter::operator()(Pixel *pixels) const { std::free(pixels); }

PixelArray allocate_pixels(int64_t count, const char *what) {
  constexpr int64_t max_count =
      static_cast<int64_t>((PTRDIFF_MAX - kHugePage) / sizeof(Pixel));
  if (count < 0 || count > max_count) {
    throw RunError(format_message("out of memory: %s\n", what));
  }
  const size_t bytes = std::max<size_t>(static_cast<size_t>(count) * sizeof(Pixel), 1);
  const bool huge = bytes >= kHugePage;
  const size_t alignment = huge ? kHugePage : alignof(std::max_align_t);
  const size_t rounded = (bytes + alignment - 1) / alignment * alignment;
  // Not filled: the pages stay untouched until the caller writes them.
  void *memory = std::aligned_alloc(alignment, rounded);
  if (memory == nullptr) throw RunError(format_message("out of memory: %s\n", what));
  if (huge) madvise(memory, rounded, MADV_HUGEPAGE);
  return PixelArray(static_cast<Pixel *>(memory));
}

void Image::replace_pixels(PixelArray new_pixels, int32_t new_nx, int32_t new_ny) {
  pixels = std::move(new_pixels);
  nx = new_nx;
  ny = new_ny;
}

// Four pixels per byte shuffle: 12 bytes make four Pixels with aux 0. Each
// step loads 16 bytes, so the last pixels, whose 16 bytes would reach past
// the row, go one at a time.
using Bytes16 = uint8_t __attribute__((vector_size(16)));
using Bytes32 = uint8_t __attribute__((vector_size(32)));
static_assert(sizeof(Bytes32) == 4 * sizeof(Pixel) && std::endian::native == std::endian::little);

PHOTOFILTER_MULTIVERSION void widen_rgb8_row(const uint8_t *bytes, Pixel *row, int32_t nx) {
  int32_t x = 0;
  for (; x + 6 <= nx; x += 4, bytes += 12) {
    Bytes16 packed;
    std::memcpy(&packed, bytes, sizeof packed);
    const Bytes32 widened =
        __builtin_shufflevector(packed, Bytes16{}, 0, 16, 1, 16, 2, 16, 16, 16, 3, 16, 4, 16, 5, 16,
                                16, 16, 6, 16, 7, 16, 8, 16, 16, 16, 9, 16, 10, 16, 11, 16, 16, 16);
    std::memcpy(row + x, &widened, sizeof widened);
  }
  for (; x < nx; ++x, bytes += 3) row[x] = Pixel{bytes[0], bytes[1], bytes[2], 0};
}

PHOTOFILTER_MULTIVERSION void narrow_row_to_bytes(const Pixel *row, int32_t nx, uint8_t *out) {
  for (int32_t x = 0; x < nx; ++x, out += 3) {
    out[0] = clamp_to_byte(row[x].r);
    out[1] = clamp_to_byte(row[x].g);
    out[2] = clamp_to_byte(row[x].b);
  }
}

Image Image::scratch_copy() const {
  Image copy;
  copy.nx = nx;
  copy.ny = ny;
  copy.depth = depth;
  copy.pixels = allocate_pixels(pixel_count(), "scratch copy of the image");
  // In parts over the run's threads, which also share the first touch of
  // the fresh array.
  split_pixels(pixel_count(), [&](int64_t begin, int64_t end) {
    std::memcpy(copy.pixels.get() + begin, pixels.get() + begin,
                static_cast<size_t>(end - begin) * sizeof(Pixel));
  });
  return copy;
}

}  // namespace photofilter
