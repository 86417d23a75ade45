// Rows of Pixels yielded one at a time, for kernels that read an image as
// they go and need not hold all of it as Pixels.
#pragma once

#include <cstdint>

#include "image/image.h"

namespace photofilter {

class RowSource {
 public:
  RowSource(int32_t width, int32_t height) : width_(width), height_(height) {}
  virtual ~RowSource() = default;

  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  // Row y, 0 <= y < height(): valid until the next call.
  virtual const Pixel *row(int32_t y) = 0;

 private:
  int32_t width_;
  int32_t height_;
};

// The rows of an Image as they stand.
class ImageRows final : public RowSource {
 public:
  explicit ImageRows(const Image &image) : RowSource(image.nx, image.ny), image_(image) {}
  const Pixel *row(int32_t y) override { return image_.row(y); }

 private:
  const Image &image_;
};

}  // namespace photofilter
