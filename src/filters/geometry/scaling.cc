// "-sc fx,fy,weight": resizes the image by area-weighted binning. Every
// result pixel is the weighted mean of the source pixels its bin covers (a
// bin is 1/fx source columns wide and 1/fy rows high); partly covered
// columns and rows count with the covered fraction. An enlargement is then
// smoothed: R passes of the weighted blur with radius R = 1.99/(1/fx+1/fy).
#include <algorithm>
#include <cmath>
#include <cstdio>
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
// terms[first[k]] .. terms[first[k + 1] - 1], in source order.
struct AxisBins {
  std::vector<size_t> first;
  std::vector<BinTerm> terms;
};

// Bin k covers [k*bin, k*bin + bin) of a line of `length` source pixels:
// its first pixel weighs 1 - frac(start), its last frac(end) and those in
// between 1; a bin inside one pixel gives that pixel the first weight.
// Pixels past the end of the line read the last one. Terms of weight 0 add
// exactly nothing to the sums (a sum starting at +0 never becomes -0) and
// are left out.
AxisBins axis_bins(int32_t count, double bin, int32_t length) {
  AxisBins bins;
  bins.first.reserve(static_cast<size_t>(count) + 1);
  for (int32_t k = 0; k < count; ++k) {
    bins.first.push_back(bins.terms.size());
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
  }
  bins.first.push_back(bins.terms.size());
  return bins;
}

// r, g, b and the weight sum side by side; each lane is computed exactly as
// its own scalar would be.
using Lanes = double __attribute__((vector_size(32)));

// Sums (sample * column weight) * row weight over the bin, row by row and
// column by column within a row, and divides by the sum of the weights.
PHOTOFILTER_MULTIVERSION void bin_into(const Image &image, const AxisBins &columns,
                                       const AxisBins &rows, int32_t width, int32_t height,
                                       Pixel *to) {
  for (int32_t j = 0; j < height; ++j, to += width) {
    const BinTerm *row_begin = rows.terms.data() + rows.first[j];
    const BinTerm *row_end = rows.terms.data() + rows.first[j + 1];
    for (int32_t i = 0; i < width; ++i) {
      const BinTerm *column_begin = columns.terms.data() + columns.first[i];
      const BinTerm *column_end = columns.terms.data() + columns.first[i + 1];
      Lanes sum = {0, 0, 0, 0};
      for (const BinTerm *row = row_begin; row != row_end; ++row) {
        const Pixel *line = image.row(row->source);
        for (const BinTerm *column = column_begin; column != column_end; ++column) {
          const Pixel p = line[column->source];
          const Lanes value = {static_cast<double>(p.r), static_cast<double>(p.g),
                               static_cast<double>(p.b), 1.0};
          sum += value * column->weight * row->weight;
        }
      }
      const Lanes mean = sum / sum[3];
      to[i] = Pixel{truncate_to_sample(mean[0]), truncate_to_sample(mean[1]),
                    truncate_to_sample(mean[2]), 0};
    }
  }
}

}  // namespace

void scaling(const char *word, Image &image) {
  const ScaleFactors f = scale_factors(word, image, 0.00001);
  PixelArray scaled = allocate_result(int64_t{f.width} * f.height, "scaled image");
  std::fprintf(stderr, "scale  %g,%g new size %d,%d\n", f.fx, f.fy, f.width, f.height);
  std::fprintf(stderr, "add bins with size %g,%g\n", f.bin_width, f.bin_height);
  bin_into(image, axis_bins(f.width, f.bin_width, image.nx),
           axis_bins(f.height, f.bin_height, image.ny), f.width, f.height, scaled.get());
  image.replace_pixels(std::move(scaled), f.width, f.height);
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
