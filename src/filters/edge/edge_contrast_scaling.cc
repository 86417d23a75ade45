// The pixel pass by rows: in the lanes, or by the plain rule for
// reference.
#include "filters/edge/edge_contrast_scaling.h"

#include "filters/edge/edge_contrast_lanes.h"

namespace photofilter {

EdgeScaler::EdgeScaler(double gain, int max, EdgeFactor kind)
    : gain_(gain), divisor_(edge_divisor(max)), kind_(kind), brightness_(divisor_) {}

void EdgeScaler::scale_row(Pixel *row, const Pixel *blurred, int64_t n) const {
  scale_row_in_lanes(kind_, row, blurred, n, gain_, divisor_, brightness_);
}

void EdgeScaler::scale_row_plainly(Pixel *row, const Pixel *blurred, int64_t n) const {
  photofilter::scale_row_plainly(kind_, row, blurred, n, gain_, brightness_);
}

void scale_by_edge_factors(Image &image, const Image &blurred, double gain, int max,
                           EdgeFactor kind) {
  const EdgeScaler scaler(gain, max, kind);
  for (int32_t y = 0; y < image.ny; ++y) scaler.scale_row(image.row(y), blurred.row(y), image.nx);
}

void scale_by_edge_factors_plainly(Image &image, const Image &blurred, double gain, int max,
                                   EdgeFactor kind) {
  const EdgeScaler scaler(gain, max, kind);
  for (int32_t y = 0; y < image.ny; ++y) {
    scaler.scale_row_plainly(image.row(y), blurred.row(y), image.nx);
  }
}

}  // namespace photofilter
