// "-sc fx,fy,weight": resizes the image by area-weighted binning. Every
// result pixel is the weighted mean of the source pixels its bin covers (a
// bin is 1/fx source columns wide and 1/fy rows high); partly covered
// columns and rows count with the covered fraction. An enlargement is then
// smoothed: R passes of the weighted blur with radius R = 1.99/(1/fx+1/fy).
//
// The mean of a bin is defined by one sum in double, row by row and column
// by column, of (sample * column weight) * row weight, divided by the sum
// of the weights (bin_mean.h). The fast paths in scaling_bins.cc and
// scaling_separable.cc give the same truncated means.
#include "filters/geometry/scaling.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "filters/geometry/bin_mean.h"
#include "filters/geometry/geometry_commands.h"
#include "filters/geometry/geometry_support.h"
#include "image/kernels.h"
#include "image/sample.h"
#include "image/step_timer.h"

namespace photofilter {

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

PixelSampleRows rows_of(const Image &image) {
  return {reinterpret_cast<const int16_t *>(image.pixels.get()), image.nx};
}

ScalePlan scale_plan(const ScaleFactors &f, const ImageHeader &image) {
  const int32_t radius =
      f.weight > 0.01 ? truncate_to<int32_t>(1.99 / (f.bin_width + f.bin_height)) : 0;
  return {f, axis_bins(f.width, f.bin_width, image.nx),
          axis_bins(f.height, f.bin_height, image.ny), radius};
}

void bin_plainly(const Image &source, const ScalePlan &p, Pixel *to) {
  const PixelSampleRows rows = rows_of(source);
  for (int32_t j = 0; j < p.f.height; ++j) {
    for (int32_t i = 0; i < p.f.width; ++i) {
      *to++ = binning::bin_mean(rows, p.columns.begin(i), p.columns.end(i), p.rows.begin(j),
                                p.rows.end(j));
    }
  }
}

void smooth_scaled(const ScalePlan &p, Image &image) {
  step_timer("binning done");
  for (int32_t pass = 0; pass < p.radius; ++pass) {
    std::fprintf(stderr, "smothing with radius %d weight %g\n", p.radius, p.f.weight);
    weighted_blur(image, p.radius, p.f.weight);
  }
  step_timer("scaling done");
}

void scaling(const char *word, Image &image) {
  const ScaleFactors f = scale_factors(word, image, 0.00001);
  // The factors and bin sizes are logged once the result has its memory.
  ResultArray scaled = scaled_result("scale", f, image.pixels);
  const ScalePlan p = scale_plan(f, image);
  // A reduction writes into the source's own array (scaled_result): result
  // row j ends at (j + 1) * width <= (j + 1) * nx, where source row j + 1
  // starts, and bin_fast writes it once its bins are done.
  bin_fast(rows_of(image), p, scaled.data());
  image.replace_pixels(scaled.release(), f.width, f.height);
  smooth_scaled(p, image);
}

void check_scaling(const char *word, ImageHeader &image) {
  const ScaleFactors f = scale_factors(word, image, 0.00001);
  check_scaled_result("scale", f);
  image.nx = f.width;
  image.ny = f.height;
}

}  // namespace photofilter
