// The blurred copy of "-ec" and "-ec1" made a band of rows at a time, each
// band scaled against it while it is still in the cache.
#pragma once

#include <cstdint>

#include "filters/edge/edge_contrast_scaling.h"
#include "image/image.h"

namespace photofilter {

// The image the bands scale, a row at a time: an Image, or an image still
// held as bytes (edge_bytes.h).
class EdgeRows {
 public:
  EdgeRows(int32_t width, int32_t height) : width_(width), height_(height) {}
  virtual ~EdgeRows() = default;

  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  // Row y as Pixels into `to`, as it stands.
  virtual void copy_row(int32_t y, Pixel *to) const = 0;
  // Scales row y against `blurred`, the same row of the blurred copy.
  virtual void scale_row(int32_t y, const Pixel *blurred, const EdgeScaler &scaler) = 0;

 private:
  int32_t width_;
  int32_t height_;
};

// The rows of an Image, scaled in place.
class ImageEdgeRows final : public EdgeRows {
 public:
  explicit ImageEdgeRows(Image &image) : EdgeRows(image.nx, image.ny), image_(image) {}
  void copy_row(int32_t y, Pixel *to) const override;
  void scale_row(int32_t y, const Pixel *blurred, const EdgeScaler &scaler) override;

 private:
  Image &image_;
};

// Blurs a copy of an image `radius` times with weighted_blur(radius,
// weight) and scales the image against it, holding only a band of rows of
// the copy (plus the rows the blur reaches across from either side) at a
// time. The result is the same for every band height.
class EdgeBands {
 public:
  // Allocates the scratch rows for bands of `band_rows` rows of `image`.
  EdgeBands(const EdgeRows &image, int32_t radius, double weight, int64_t band_rows);

  void blur_and_scale(EdgeRows &image, const EdgeScaler &scaler);

 private:
  int32_t radius_;
  double weight_;
  int64_t reach_;     // rows a blurred row depends on, on either side
  int64_t rows_;      // rows scaled per band
  Image band_;        // a band's rows and its reach, blurred
  PixelArray carry_;  // the reach above the next band, as it was
};

// The band height for a blur of `radius` passes of radius `radius`: tall
// enough that the rows recomputed above and below a band cost little, and
// the whole image when the bands would nearly cover it anyway.
int64_t edge_band_rows(int32_t radius, int32_t nx, int32_t ny);

}  // namespace photofilter
