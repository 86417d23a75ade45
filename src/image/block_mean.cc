#include "image/block_mean.h"

#include "image/multiversion.h"

namespace photofilter {
namespace {

// sum * 0.25 truncated toward zero is exactly the integer quotient sum / 4,
// and the mean of four 16-bit samples always fits a sample.
PHOTOFILTER_INLINE int16_t block_mean(int32_t a, int32_t b, int32_t c, int32_t d) {
  return static_cast<int16_t>((a + b + c + d) / 4);
}

PHOTOFILTER_MULTIVERSION void average_blocks(const Image &image, Pixel *result) {
  const int32_t nx = image.nx - 1;
  for (int32_t y = 0; y + 1 < image.ny; ++y) {
    const Pixel *top = image.row(y);
    const Pixel *bottom = image.row(y + 1);
    Pixel *out = result + int64_t{y} * nx;
    for (int32_t x = 0; x < nx; ++x) {
      out[x].r = block_mean(top[x].r, top[x + 1].r, bottom[x].r, bottom[x + 1].r);
      out[x].g = block_mean(top[x].g, top[x + 1].g, bottom[x].g, bottom[x + 1].g);
      out[x].b = block_mean(top[x].b, top[x + 1].b, bottom[x].b, bottom[x + 1].b);
      out[x].aux = 0;
    }
  }
}

// The same on rows of bytes, 3 a pixel: means of bytes are bytes.
// Result row y lies before source row y (the result starts 5*(nx+ny-1)
// bytes earlier and its rows are shorter), so the result can take the
// source's own array.
PHOTOFILTER_MULTIVERSION void average_byte_blocks(const uint8_t *source, int32_t source_nx,
                                                    int32_t source_ny, uint8_t *result) {
  const size_t source_row_bytes = static_cast<size_t>(source_nx) * 3;
  const size_t row_bytes = source_row_bytes - 3;
  for (int32_t y = 0; y + 1 < source_ny; ++y) {
    const uint8_t *top = source + source_row_bytes * static_cast<size_t>(y);
    const uint8_t *bottom = top + source_row_bytes;
    uint8_t *out = result + row_bytes * static_cast<size_t>(y);
    for (size_t i = 0; i < row_bytes; ++i) {
      out[i] = static_cast<uint8_t>(block_mean(top[i], top[i + 3], bottom[i], bottom[i + 3]));
    }
  }
}

}  // namespace

void shrink_by_block_mean(Image &image) {
  if (image.nx < 1 || image.ny < 1) return;
  const int32_t nx = image.nx - 1;
  const int32_t ny = image.ny - 1;
  PixelArray result = allocate_pixels(int64_t{nx} * ny, "2x2 block means");
  average_blocks(image, result.get());
  image.replace_pixels(std::move(result), nx, ny);
}

void shrink_by_block_mean(ByteImage &image) {
  if (image.nx < 1 || image.ny < 1) return;
  const int32_t nx = image.nx - 1;
  const int32_t ny = image.ny - 1;
  uint8_t *result = byte_position(image.storage.get(), int64_t{nx} * ny);
  average_byte_blocks(image.bytes(), image.nx, image.ny, result);
  image.replace(std::move(image.storage), nx, ny);
}

}  // namespace photofilter
