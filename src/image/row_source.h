// Rows of Pixels yielded one at a time, for kernels that read an image as
// they go.
#pragma once

#include <cstdint>

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

// The rows of an Image, as they stand.
//
// row(y) reads nothing of the image's array before where row y starts,
// 8 * nx * y bytes in, so results written over rows up to y - 1 leave
// every row from y on as it was.
class ImageRows final : public RowSource {
 public:
  explicit ImageRows(const Image &image) : image_(image) {}

  int32_t width() const override { return image_.nx; }
  int32_t height() const override { return image_.ny; }
  const Pixel *row(int32_t y) override { return image_.row(y); }

 private:
  const Image &image_;
};

}  // namespace photofilter
