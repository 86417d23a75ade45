// The mean of one bin of the scaling, the rule that its fast paths equal:
// (sample * column weight) * row weight summed in double over the bin's
// rows and, within a row, its columns, divided by the sum of the same
// products with 1 for the sample, and truncated toward zero into a sample.
// r, g, b and the weight sum are summed side by side in the lanes of one
// vector; each lane is computed exactly as its own scalar would be.
#pragma once

#include <cstdint>
#include <cstring>

#include "filters/geometry/scaling.h"
#include "image/image.h"
#include "image/multiversion.h"
#include "image/vector_types.h"

// The vector helpers are the scaling's own: they live apart from other
// families' names.
namespace photofilter::binning {

// r, g, b of pixel x of a row, and 0.
PHOTOFILTER_INLINE Ints4 samples_at(const int16_t *row, int32_t x) {
  PixelSamples samples;
  std::memcpy(&samples, row + 4 * int64_t{x}, sizeof samples);
  Ints4 ints = __builtin_convertvector(samples, Ints4);
  ints[3] = 0;
  return ints;
}
PHOTOFILTER_INLINE Ints4 samples_at(const uint8_t *row, int32_t x) {
  const uint8_t *p = row + 3 * int64_t{x};
  return Ints4{p[0], p[1], p[2], 0};
}

// Adds (sample * u) * v to each sample's sum and u * v, the same with 1 in
// place of the sample, to the weight sum.
PHOTOFILTER_INLINE void add_weighted(Doubles &sum, Ints4 samples, double u, double v) {
  samples[3] = 1;
  sum += __builtin_convertvector(samples, Doubles) * u * v;
}

// The first three lanes truncated toward zero into samples (saturating),
// the last one 0: the aux of every result.
PHOTOFILTER_INLINE void clamp(Doubles &q) {
  const Doubles low = {INT16_MIN, INT16_MIN, INT16_MIN, 0};
  const Doubles high = {INT16_MAX, INT16_MAX, INT16_MAX, 0};
  q = q > low ? q : low;
  q = q < high ? q : high;
}
PHOTOFILTER_INLINE Pixel pixel_of(Ints4 truncated) {
  const PixelSamples samples = __builtin_convertvector(truncated, PixelSamples);
  Pixel pixel;
  std::memcpy(&pixel, &samples, sizeof pixel);
  return pixel;
}
PHOTOFILTER_INLINE Pixel truncated(Doubles q) {
  clamp(q);
  return pixel_of(__builtin_convertvector(q, Ints4));
}

// Each sample's sum divided by the weight sum, truncated into a sample.
PHOTOFILTER_INLINE Pixel mean_of(const Doubles &sum) {
  const Doubles mean = sum / sum[3];
  return truncated(mean == mean ? mean : Doubles{0, 0, 0, 0});  // an empty bin gives 0
}

// Calls add(samples, column weight, row weight) for every term of a bin,
// row by row and column by column within a row.
template <typename Source, typename Add>
PHOTOFILTER_INLINE void for_each_term(const Source &source, const BinTerm *column_begin,
                                      const BinTerm *column_end, const BinTerm *row_begin,
                                      const BinTerm *row_end, Add add) {
  for (const BinTerm *row = row_begin; row != row_end; ++row) {
    const typename Source::Sample *line = source.row(row->source);
    for (const BinTerm *column = column_begin; column != column_end; ++column) {
      add(samples_at(line, column->source), column->weight, row->weight);
    }
  }
}

// The rule: sums (sample * column weight) * row weight over the bin and
// divides by the sum of the weights.
template <typename Source>
PHOTOFILTER_INLINE Pixel bin_mean(const Source &source, const BinTerm *column_begin,
                                  const BinTerm *column_end, const BinTerm *row_begin,
                                  const BinTerm *row_end) {
  Doubles sum = {0, 0, 0, 0};
  for_each_term(source, column_begin, column_end, row_begin, row_end,
                [&sum](Ints4 samples, double u, double v) { add_weighted(sum, samples, u, v); });
  return mean_of(sum);
}

}  // namespace photofilter::binning
