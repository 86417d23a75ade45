// The 2x2 block mean on an image held as bytes, 3 a pixel: means of bytes
// are bytes, so the image stays bytes.
#include "image/block_mean.h"

#include "image/multiversion.h"

namespace photofilter {
namespace {

// Result row y lies before source row y (the result starts 5*(nx+ny-1)
// bytes earlier and its rows are shorter), so the result can take the
// source's own array: the rows it overwrites have been read.
PHOTOFILTER_MULTIVERSION void average_byte_blocks(const uint8_t *source, int32_t source_nx,
                                                  int32_t source_ny, uint8_t *result) {
  const size_t source_row_bytes = static_cast<size_t>(source_nx) * 3;
  const size_t row_bytes = source_row_bytes - 3;
  for (int32_t y = 0; y + 1 < source_ny; ++y) {
    const uint8_t *top = source + source_row_bytes * static_cast<size_t>(y);
    const uint8_t *bottom = top + source_row_bytes;
    uint8_t *out = result + row_bytes * static_cast<size_t>(y);
    for (size_t i = 0; i < row_bytes; ++i) {
      out[i] = static_cast<uint8_t>(mean_of_four(top[i], top[i + 3], bottom[i], bottom[i + 3]));
    }
  }
}

}  // namespace

void shrink_by_block_mean(ByteImage &image) {
  if (image.nx < 1 || image.ny < 1) return;
  const int32_t nx = image.nx - 1;
  const int32_t ny = image.ny - 1;
  uint8_t *result = byte_position(image.storage.get(), int64_t{nx} * ny);
  average_byte_blocks(image.bytes(), image.nx, image.ny, result);
  image.replace(std::move(image.storage), nx, ny);
}

}  // namespace photofilter
