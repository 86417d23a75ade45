// The brightness of a pixel as the contour stage of the full noise
// reduction and edge contrast define it: its channel sum / 3 / divisor, in
// the precision (double or long double) the caller works in. The sums of
// ordinary photos are looked up instead of divided twice per pixel.
#pragma once

#include <cstdint>
#include <vector>

namespace photofilter {

template <typename Real>
Real brightness_of_sum(int32_t sum, Real divisor) {
  return static_cast<Real>(sum) / 3 / divisor;
}

// brightness_of_sum for one divisor, the sums of ordinary photos looked up.
template <typename Real>
class BrightnessTable {
 public:
  // Sums of three samples 0..255, with room for what earlier commands add.
  static constexpr int32_t kFirstTabledSum = -1024;
  static constexpr int32_t kLastTabledSum = 2047;

  // Every double (and every int) is exactly the same long double.
  explicit BrightnessTable(double divisor)
      : divisor_(static_cast<Real>(divisor)), values_(kLastTabledSum - kFirstTabledSum + 1) {
    for (int32_t sum = kFirstTabledSum; sum <= kLastTabledSum; ++sum) {
      values_[sum - kFirstTabledSum] = worked_out(sum);
    }
  }

  // A table entry is the same expression worked out ahead, so every sum
  // gets exactly brightness_of_sum(sum, divisor).
  Real operator()(int32_t sum) const {
    const auto index = static_cast<uint32_t>(sum - kFirstTabledSum);
    return index < values_.size() ? values_[index] : worked_out(sum);
  }

 private:
  Real worked_out(int32_t sum) const { return brightness_of_sum(sum, divisor_); }

  Real divisor_;
  std::vector<Real> values_;
};

}  // namespace photofilter
