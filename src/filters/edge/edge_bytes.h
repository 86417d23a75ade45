// The rows of an image still held as bytes, for the edge-contrast bands.
#pragma once

#include <cstdint>

#include "filters/edge/edge_contrast_bands.h"
#include "image/byte_image.h"
#include "image/image.h"

namespace photofilter {

// Each row is widened, scaled and narrowed back to bytes, its results
// clamped to 0..255: right only for an image that is written next.
class ByteEdgeRows final : public EdgeRows {
 public:
  explicit ByteEdgeRows(ByteImage &image);
  void copy_row(int32_t y, Pixel *to) const override;
  void scale_row(int32_t y, const Pixel *blurred, const EdgeScaler &scaler) override;

 private:
  ByteImage &image_;
};

}  // namespace photofilter
