#include "image/byte_image.h"

#include <cstring>

namespace photofilter {

uint8_t *byte_position(Pixel *storage, int64_t count) {
  return reinterpret_cast<uint8_t *>(storage) + 5 * count;
}

void ByteImage::replace(PixelArray new_storage, int32_t new_nx, int32_t new_ny) {
  storage = std::move(new_storage);
  nx = new_nx;
  ny = new_ny;
}

Image widen(ByteImage &&image) {
  Image widened;
  static_cast<ImageHeader &>(widened) = image;
  const size_t row_bytes = static_cast<size_t>(image.nx) * 3;
  std::vector<uint8_t> saved_row(row_bytes);
  // An image 0 pixels wide has rows of no bytes: nothing to widen.
  for (int32_t y = 0; y < image.ny && row_bytes > 0; ++y) {
    // The widened row may overlap its own bytes: copy them first.
    std::memcpy(saved_row.data(), image.row(y), row_bytes);
    widen_rgb8_row(saved_row.data(), image.storage.get() + int64_t{y} * image.nx, image.nx);
  }
  widened.pixels = std::move(image.storage);
  return widened;
}

ByteImageRows::ByteImageRows(const ByteImage &image)
    : image_(image), widened_(static_cast<size_t>(image.nx)) {}

const Pixel *ByteImageRows::row(int32_t y) {
  widen_rgb8_row(image_.row(y), widened_.data(), image_.nx);
  return widened_.data();
}

Image &WorkingImage::widened() {
  if (holds_bytes()) image_ = widen(std::move(bytes()));
  return std::get<Image>(image_);
}

}  // namespace photofilter
