// The blurred copy of "-ec" and "-ec1" made a band of rows at a time, each
// band scaled against it while it is still in the cache.
#pragma once

#include <cstdint>

#include "filters/edge/edge_contrast_scaling.h"
#include "image/byte_image.h"
#include "image/image.h"

namespace photofilter {

// Blurs a copy of an image `radius` times with weighted_blur(radius,
// weight) and scales the image against it, holding only a band of rows of
// the copy (plus the rows the blur reaches across from either side) at a
// time. The result is the same for every band height. An image held as
// bytes stays bytes, its results clamped to bytes: only for an image that
// is written next.
class EdgeBands {
 public:
  // Allocates the scratch rows for bands of `band_rows` rows of `image`.
  EdgeBands(const ImageHeader &image, int32_t radius, double weight, int64_t band_rows);

  void blur_and_scale(Image &image, const EdgeScaler &scaler);
  void blur_and_scale(ByteImage &image, const EdgeScaler &scaler);

 private:
  int32_t radius_;
  double weight_;
  int64_t reach_;     // rows a blurred row depends on, on either side
  int64_t rows_;      // rows scaled per band
  Image band_;        // a band's rows and its reach, blurred
  PixelArray carry_;  // the reach above the next band, as it was
  PixelArray row_;    // a row of bytes widened for scaling

  template <typename AnyImage>
  void blur_and_scale_rows(AnyImage &image, const EdgeScaler &scaler);
};

// The band height for a blur of `radius` passes of radius `radius`: tall
// enough that the rows recomputed above and below a band cost little, and
// the whole image when the bands would nearly cover it anyway.
int64_t edge_band_rows(int32_t radius, int32_t nx, int32_t ny);

}  // namespace photofilter
