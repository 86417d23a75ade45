#include "image/image.h"

#include <cstdio>
#include <cstring>
#include <sys/mman.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>

#include "image/errors.h"

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

Image Image::scratch_copy() const {
  Image copy;
  copy.nx = nx;
  copy.ny = ny;
  copy.depth = depth;
  copy.pixels = allocate_pixels(pixel_count(), "scratch copy of the image");
  if (pixel_count() > 0) {
    std::memcpy(copy.pixels.get(), pixels.get(),
                static_cast<size_t>(pixel_count()) * sizeof(Pixel));
  }
  return copy;
}

}  // namespace photofilter
