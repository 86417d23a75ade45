// The extended brightness values, and the pixel pass by rows: in the
// lanes, or by the plain rule for reference.
#include "filters/edge/edge_contrast_scaling.h"

#include "filters/edge/edge_contrast_lanes.h"

namespace photofilter {

long double ExtendedBrightness::operator()(int32_t sum) {
  // Sums of three samples 0..255, with room for what earlier commands add.
  constexpr int32_t kLowest = -1024, kHighest = 2047;
  const auto exactly = [this](int32_t s) { return static_cast<long double>(s) / 3 / divisor_; };
  if (sum < kLowest || sum > kHighest) return exactly(sum);
  if (table_.empty()) {
    table_.resize(kHighest - kLowest + 1);
    for (int32_t s = kLowest; s <= kHighest; ++s) table_[s - kLowest] = exactly(s);
  }
  return table_[sum - kLowest];
}

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
