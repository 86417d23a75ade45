// Rows of Pixels yielded one at a time, for kernels that read an image as
// they go.
#pragma once

#include <cstdint>
#include <vector>

#include "image/image.h"

namespace photofilter {

class RowSource {
 public:
  virtual ~RowSource() = default;
  virtual int32_t width() const = 0;
  virtual int32_t height() const = 0;
  // Row y, 0 <= y < height(): width() Pixels, valid until the next call.
  virtual const Pixel *row(int32_t y) = 0;
};

// The rows of an Image. While the image is packed, each row asked for is
// widened into a buffer of one row, aux 0; the packed bytes stay as they
// are.
//
// row(y) reads nothing of the image's array before where Pixel row y
// starts, 8 * nx * y bytes in: Pixel row y is the row itself, and packed
// row y starts at 5 * nx * ny + 3 * nx * y bytes, which is no earlier
// since y <= ny. So results written over the array's Pixel rows up to row
// y - 1 leave every row from y on as it was.
class ImageRows final : public RowSource {
 public:
  explicit ImageRows(const Image &image)
      : image_(image), widened_(image.packed ? static_cast<size_t>(image.nx) : 0) {}

  int32_t width() const override { return image_.nx; }
  int32_t height() const override { return image_.ny; }

  const Pixel *row(int32_t y) override {
    if (!image_.packed) return image_.row(y);
    widen_rgb8_row(image_.packed_bytes() + int64_t{3} * image_.nx * y, widened_.data(),
                   image_.nx);
    return widened_.data();
  }

 private:
  const Image &image_;
  std::vector<Pixel> widened_;
};

}  // namespace photofilter
