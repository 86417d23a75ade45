// The pixel pass of "-ec" and "-ec1": every pixel's r, g and b are scaled by
// one factor worked out from its sample sum and the sum of the same pixel in
// a blurred copy, by the rule of edge_contrast.cc or by the lanes of
// edge_contrast_lanes.cc, which give the same samples faster.
#pragma once

#include <cstdint>

#include "filters/edge/edge_contrast.h"
#include "image/brightness_table.h"
#include "image/image.h"

namespace photofilter {

// The factor's parameters, fixed for a whole pass. A `max` of 0 counts as
// 255.
class EdgeScaler {
 public:
  EdgeScaler(double gain, int max, EdgeFactor kind);

  // Scales the n pixels of `row` by the factors against the n pixels of
  // `blurred`, which must not overlap `row`, in the lanes.
  void scale_row(Pixel *row, const Pixel *blurred, int64_t n) const;

  // The same by the plain rule, every pixel worked out in extended
  // precision: the reference the lanes must match sample for sample.
  void scale_row_plainly(Pixel *row, const Pixel *blurred, int64_t n) const;

 private:
  double gain_;
  int divisor_;
  EdgeFactor kind_;
  BrightnessTable<long double> brightness_;
};

// Both passes over a whole image; `blurred` has the same size.
void scale_by_edge_factors(Image &image, const Image &blurred, double gain, int max,
                           EdgeFactor kind);
void scale_by_edge_factors_plainly(Image &image, const Image &blurred, double gain, int max,
                                   EdgeFactor kind);

}  // namespace photofilter
