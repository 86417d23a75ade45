#include "image/image.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "image/errors.h"

namespace photofilter {

PixelArray allocate_pixels(int64_t count, const char *what) {
  constexpr int64_t max_count = static_cast<int64_t>(PTRDIFF_MAX / sizeof(Pixel));
  if (count < 0 || count > max_count) {
    throw RunError(format_message("out of memory: %s\n", what));
  }
  try {
    // Default-initialised: the pages stay untouched until they are filled.
    return PixelArray(new Pixel[static_cast<size_t>(count)]);
  } catch (const std::bad_alloc &) {
    throw RunError(format_message("out of memory: %s\n", what));
  }
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
