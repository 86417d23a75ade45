// "-sc fx,fy,weight": resizes the image by area-weighted binning. Every
// result pixel is the weighted mean of the source pixels its bin covers (a
// bin is 1/fx source columns wide and 1/fy rows high); partly covered
// columns and rows count with the covered fraction. An enlargement is then
// smoothed: R passes of the weighted blur with radius R = 1.99/(1/fx+1/fy).
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "filters/geometry/geometry_commands.h"
#include "filters/geometry/geometry_support.h"
#include "image/kernels.h"
#include "image/multiversion.h"
#include "image/sample.h"
#include "image/step_timer.h"

namespace photofilter {
namespace {

// One source column (or row) of a bin with its weight.
struct BinTerm {
  int32_t source;
  double weight;
};

// The bins of one axis, worked out once: bin k is made of
// terms[first[k]] .. terms[first[k + 1]] - 1, in source order. A bin of a
// single term also records how many significant bits its weight has, and
// a bin of at most 256 terms that all weigh 1 is marked as such.
struct AxisBins {
  std::vector<size_t> first;
  std::vector<BinTerm> terms;
  std::vector<int> single_weight_bits;
  std::vector<uint8_t> unit_weights;
};
constexpr size_t kMostUnitTerms = 256;

// Significant bits of a weight, or more than any product may hold when the
// bin has more than one term or the weight is small enough to underflow.
constexpr int kNotExact = 1000;
int significant_bits(double weight) {
  if (!(weight >= 0x1p-900)) return kNotExact;
  int exponent = 0;
  const double mantissa = std::frexp(weight, &exponent);  // in [0.5, 1)
  const auto digits = static_cast<uint64_t>(mantissa * 0x1p53);
  return 53 - std::countr_zero(digits);
}

// Bin k covers [k*bin, k*bin + bin) of a line of `length` source pixels:
// its first pixel weighs 1 - frac(start), its last frac(end) and those in
// between 1; a bin inside one pixel gives that pixel the first weight.
// Pixels past the end of the line read the last one. Terms of weight 0 add
// exactly nothing to the sums (a sum starting at +0 never becomes -0) and
// are left out.
AxisBins axis_bins(int32_t count, double bin, int32_t length) {
  AxisBins bins;
  bins.first.reserve(static_cast<size_t>(count) + 1);
  bins.single_weight_bits.reserve(static_cast<size_t>(count));
  for (int32_t k = 0; k < count; ++k) {
    const size_t first_term = bins.terms.size();
    bins.first.push_back(first_term);
    const double start = k * bin;
    const double end = start + bin;
    const int64_t first = truncate_to<int64_t>(start);
    const int64_t last = truncate_to<int64_t>(end);
    const double first_weight = std::trunc(start + 1) - start;
    const double last_weight = end - std::trunc(end);
    for (int64_t line = first; line <= last; ++line) {
      const double weight = line == first ? first_weight : (line == last ? last_weight : 1.0);
      if (weight == 0) continue;
      bins.terms.push_back({static_cast<int32_t>(std::min<int64_t>(line, length - 1)), weight});
    }
    const bool single = bins.terms.size() == first_term + 1;
    bins.single_weight_bits.push_back(single ? significant_bits(bins.terms.back().weight)
                                             : kNotExact);
    const auto begin = bins.terms.begin() + static_cast<ptrdiff_t>(first_term);
    bins.unit_weights.push_back(
        bins.terms.size() - first_term <= kMostUnitTerms &&
        std::all_of(begin, bins.terms.end(), [](const BinTerm &t) { return t.weight == 1.0; }));
  }
  bins.first.push_back(bins.terms.size());
  return bins;
}

// A bin of one source pixel with weights u and v gives
// ((s*u)*v) / (u*v) for each sample s. When the bits of s (at most 16),
// u and v fit into a double's 53, every step is exact and the quotient is s.
constexpr int kBitsBesideSample = 53 - 16;

// r, g, b and the weight sum side by side; each lane is computed exactly as
// its own scalar would be.
using Lanes = double __attribute__((vector_size(32)));
using Samples = int16_t __attribute__((vector_size(8)));
using Ints = int32_t __attribute__((vector_size(16)));

// Adds (sample * u) * v to each sample's sum and u * v, the same with 1 in
// place of the sample, to the weight sum.
PHOTOFILTER_INLINE void add_weighted(Lanes &sum, const Pixel &pixel, double u, double v) {
  Samples samples;
  std::memcpy(&samples, &pixel, sizeof samples);
  Ints ints = __builtin_convertvector(samples, Ints);
  ints[3] = 1;
  sum += __builtin_convertvector(ints, Lanes) * u * v;
}

// Each sample's sum divided by the weight sum, truncated into a sample. The
// weight lane ends as 0, the aux of the result.
PHOTOFILTER_INLINE Pixel mean_of(const Lanes &sum) {
  const Lanes low = {INT16_MIN, INT16_MIN, INT16_MIN, 0};
  const Lanes high = {INT16_MAX, INT16_MAX, INT16_MAX, 0};
  Lanes mean = sum / sum[3];
  mean = mean == mean ? mean : Lanes{0, 0, 0, 0};  // an empty bin gives 0
  mean = mean > low ? mean : low;
  mean = mean < high ? mean : high;
  const Samples samples = __builtin_convertvector(__builtin_convertvector(mean, Ints), Samples);
  Pixel pixel;
  std::memcpy(&pixel, &samples, sizeof pixel);
  return pixel;
}

// Calls add(pixel, column weight, row weight) for every term of a bin, row
// by row and column by column within a row.
template <typename Add>
PHOTOFILTER_INLINE void for_each_term(const Image &image, const BinTerm *column_begin,
                                      const BinTerm *column_end, const BinTerm *row_begin,
                                      const BinTerm *row_end, Add add) {
  for (const BinTerm *row = row_begin; row != row_end; ++row) {
    const Pixel *line = image.row(row->source);
    for (const BinTerm *column = column_begin; column != column_end; ++column) {
      add(line[column->source], column->weight, row->weight);
    }
  }
}

// Sums (sample * column weight) * row weight over the bin and divides by
// the sum of the weights.
PHOTOFILTER_INLINE Pixel bin_mean(const Image &image, const BinTerm *column_begin,
                                  const BinTerm *column_end, const BinTerm *row_begin,
                                  const BinTerm *row_end) {
  Lanes sum = {0, 0, 0, 0};
  for_each_term(image, column_begin, column_end, row_begin, row_end,
                [&sum](const Pixel &pixel, double u, double v) { add_weighted(sum, pixel, u, v); });
  return mean_of(sum);
}

// With every weight 1 the double sums are exact integers whatever their
// order, so 32-bit integer sums of at most 65536 samples give them too.
PHOTOFILTER_INLINE Pixel unit_bin_mean(const Image &image, const BinTerm *column_begin,
                                       const BinTerm *column_end, const BinTerm *row_begin,
                                       const BinTerm *row_end) {
  Ints sum = {0, 0, 0, 0};
  for_each_term(image, column_begin, column_end, row_begin, row_end,
                [&sum](const Pixel &pixel, double, double) {
                  Samples samples;
                  std::memcpy(&samples, &pixel, sizeof samples);
                  sum += __builtin_convertvector(samples, Ints);
                });
  sum[3] = static_cast<int32_t>((column_end - column_begin) * (row_end - row_begin));
  return mean_of(__builtin_convertvector(sum, Lanes));
}

PHOTOFILTER_MULTIVERSION void bin_into(const Image &image, const AxisBins &columns,
                                       const AxisBins &rows, int32_t width, int32_t height,
                                       Pixel *to) {
  const BinTerm *column_terms = columns.terms.data();
  for (int32_t j = 0; j < height; ++j, to += width) {
    const BinTerm *row_begin = rows.terms.data() + rows.first[j];
    const BinTerm *row_end = rows.terms.data() + rows.first[j + 1];
    const int spare_bits = kBitsBesideSample - rows.single_weight_bits[j];
    const bool unit_row = rows.unit_weights[j];
    for (int32_t i = 0; i < width; ++i) {
      const BinTerm *column_begin = column_terms + columns.first[i];
      const BinTerm *column_end = column_terms + columns.first[i + 1];
      if (columns.single_weight_bits[i] <= spare_bits) {
        to[i] = without_aux(image.row(row_begin->source)[column_begin->source]);
      } else if (unit_row && columns.unit_weights[i]) {
        to[i] = unit_bin_mean(image, column_begin, column_end, row_begin, row_end);
      } else {
        to[i] = bin_mean(image, column_begin, column_end, row_begin, row_end);
      }
    }
  }
}

}  // namespace

void scaling(const char *word, Image &image) {
  const ScaleFactors f = scale_factors(word, image, 0.00001);
  ResultArray scaled = scaled_result("scale", f, image);
  bin_into(image, axis_bins(f.width, f.bin_width, image.nx),
           axis_bins(f.height, f.bin_height, image.ny), f.width, f.height, scaled.data());
  scaled.install(f.width, f.height);
  step_timer("binning done");
  if (f.weight > 0.01) {
    const int32_t radius = truncate_to<int32_t>(1.99 / (f.bin_width + f.bin_height));
    for (int32_t pass = 0; pass < radius; ++pass) {
      std::fprintf(stderr, "smothing with radius %d weight %g\n", radius, f.weight);
      weighted_blur(image, radius, f.weight);
    }
  }
  step_timer("scaling done");
}

}  // namespace photofilter
