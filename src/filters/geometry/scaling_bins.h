// What the two fast paths of the scaling share: the bits a bin weight
// takes, and the entry points of the separable pass of a reduction
// (scaling_separable.cc), to which the bin by bin path (scaling_bins.cc)
// hands the plans it serves.
#pragma once

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

#include "filters/geometry/scaling.h"
#include "image/image.h"

namespace photofilter {

// More bits than any product may hold: a bin of more than one term, or a
// weight small enough to underflow.
constexpr int kNotExact = 1000;

// The 53 bits of the mantissa of a weight of at least 2^-900.
inline uint64_t mantissa_digits(double weight, int &exponent) {
  const double mantissa = std::frexp(weight, &exponent);  // in [0.5, 1)
  return static_cast<uint64_t>(mantissa * 0x1p53);
}

// Significant bits of a weight.
inline int significant_bits(double weight) {
  if (!(weight >= 0x1p-900)) return kNotExact;
  int exponent = 0;
  return 53 - std::countr_zero(mantissa_digits(weight, exponent));
}

// Bits after the binary point of a weight: 0 for 1, 1 for 0.5.
inline int fraction_bits(double weight) {
  if (!(weight >= 0x1p-900)) return kNotExact;
  int exponent = 0;
  const uint64_t digits = mantissa_digits(weight, exponent);
  return std::max(0, 53 - exponent - std::countr_zero(digits));
}

// Whether the separable pass serves a plan: a reduction whose bins are not
// too large for its error bound.
bool reduces_separably(const ScalePlan &p);

// The separable pass: the same pixels as bin_plainly; like bin_fast it
// writes each result row once its bins are done.
void reduce_separably(const PixelSampleRows &source, const ScalePlan &p, Pixel *to);
void reduce_separably(const ByteSampleRows &source, const ScalePlan &p, Pixel *to);
void reduce_separably(const ByteSampleRows &source, const ScalePlan &p, uint8_t *to);

}  // namespace photofilter
