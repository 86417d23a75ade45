// The scaling by area-weighted bins ("-sc") between its handler, its byte
// entry point and its fast paths: the plan, the bins of both axes, the
// plain rule and the fast path that gives the same pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "filters/geometry/geometry_support.h"
#include "image/image.h"

namespace photofilter {

// One source column (or row) of a bin with its weight.
struct BinTerm {
  int32_t source;
  double weight;
};

// The bins of one axis: bin k is made of terms[first[k]] ..
// terms[first[k + 1]] - 1, in source order.
struct AxisBins {
  std::vector<size_t> first;
  std::vector<BinTerm> terms;

  const BinTerm *begin(int32_t k) const { return terms.data() + first[k]; }
  const BinTerm *end(int32_t k) const { return terms.data() + first[k + 1]; }
  int32_t count() const { return static_cast<int32_t>(first.size()) - 1; }
};

// Bin k of `count` covers [k*bin, k*bin + bin) of a line of `length`
// source pixels: its first pixel weighs 1 - frac(start), its last
// frac(end) and those in between 1; a bin inside one pixel gives that
// pixel the first weight. Pixels past the end of the line read the last
// one. Terms of weight 0 add exactly nothing to the sums (a sum starting
// at +0 never becomes -0) and are left out.
AxisBins axis_bins(int32_t count, double bin, int32_t length);

// The source rows: the widened pixels (4 samples a pixel, r, g, b, aux), or
// the bytes of an image as read (r, g, b).
template <typename SampleType, int kSampleCount, int kLargestMagnitude>
struct SampleRows {
  using Sample = SampleType;
  static constexpr int kSamplesPerPixel = kSampleCount;
  // No sample lies farther from 0 than this.
  static constexpr double kLargest = kLargestMagnitude;
  const Sample *first;
  int32_t nx;
  const Sample *row(int32_t y) const { return first + int64_t{kSamplesPerPixel} * nx * y; }
};
using PixelSampleRows = SampleRows<int16_t, 4, 32768>;
using ByteSampleRows = SampleRows<uint8_t, 3, 255>;

PixelSampleRows rows_of(const Image &image);

// The factors and new size, the bins of both axes and the smoothing that
// follows an enlargement.
struct ScalePlan {
  ScaleFactors f;
  AxisBins columns, rows;
  int32_t radius;  // of the smoothing passes; 0: none
};

// The bins and smoothing radius of factors scanned by scale_factors.
ScalePlan scale_plan(const ScaleFactors &f, const ImageHeader &image);

// The rule: result pixel (i, j) is the mean of column bin i over row bin j
// (bin_mean, bin_mean.h). `to` is a fresh array of width * height pixels.
void bin_plainly(const Image &source, const ScalePlan &p, Pixel *to);

// The same pixels by the fast paths (scaling_bins.cc), as Pixels or, for
// a source of bytes, also as bytes (means of bytes are bytes). Each result
// row is written after its bins are done, so with bins of at least one
// source pixel each way `to` may lie in the source's own memory, provided
// that result row j ends no later than source row j + 1 starts: the bins
// of the later rows read only source rows from j + 1 on.
void bin_fast(const PixelSampleRows &source, const ScalePlan &p, Pixel *to);
void bin_fast(const ByteSampleRows &source, const ScalePlan &p, Pixel *to);
void bin_fast(const ByteSampleRows &source, const ScalePlan &p, uint8_t *to);

// After the binning: its step line, the smoothing passes and the last
// step line.
void smooth_scaled(const ScalePlan &p, Image &image);

}  // namespace photofilter
