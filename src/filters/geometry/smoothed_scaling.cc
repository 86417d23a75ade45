// "-ssc fx,fy,weight": resizes the image by blurring it once with a radius
// that grows with the bin size, then taking for every result pixel the
// source pixel at the centre of its bin.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "filters/geometry/geometry_commands.h"
#include "filters/geometry/geometry_support.h"
#include "filters/geometry/smoothed_scaling.h"
#include "image/kernels.h"
#include "image/sample.h"
#include "image/step_timer.h"

namespace photofilter {
namespace {

// The source line at the centre of each of `count` bins.
std::vector<int32_t> bin_centres(int32_t count, double bin, int32_t length) {
  std::vector<int32_t> centres(static_cast<size_t>(count));
  for (int32_t k = 0; k < count; ++k) {
    centres[k] = std::min(truncate_to<int32_t>((k + 0.5) * bin), length - 1);
  }
  return centres;
}

void sample_into(const Image &image, const std::vector<int32_t> &columns,
                 const std::vector<int32_t> &rows, Pixel *to) {
  for (const int32_t y : rows) {
    const Pixel *line = image.row(y);
    for (const int32_t x : columns) *to++ = without_aux(line[x]);
  }
}

}  // namespace

SmoothedScalePlan smoothed_scale_plan(const ScaleFactors &f, const ImageHeader &image) {
  SmoothedScalePlan p{f, truncate_to<int32_t>((f.bin_width + f.bin_height) * 0.25 + 1), {}, {}};
  std::fprintf(stderr, "blur radius %d weight %g\n", p.radius, f.weight);
  p.columns = bin_centres(f.width, f.bin_width, image.nx);
  p.rows = bin_centres(f.height, f.bin_height, image.ny);
  return p;
}

void smoothed_scaling(const char *word, Image &image) {
  const ScaleFactors f = scale_factors(word, image, kSmoothedScaleMargin);
  ResultArray scaled = scaled_result("sscale", f, image.pixels);
  const SmoothedScalePlan p = smoothed_scale_plan(f, image);
  if (p.reduces()) {
    // A reduction needs the blur only at the bin centres. Result row j
    // ends at or before the end of source row rows[j] >= j, as the sampled
    // blur requires when the result shares the source array.
    ImageRows source(image);
    weighted_blur_sampled(source, p.radius, f.weight, p.columns, p.rows, scaled.data());
    image.replace_pixels(scaled.release(), f.width, f.height);
    clear_aux(image);
  } else {
    weighted_blur(image, p.radius, f.weight);
    sample_into(image, p.columns, p.rows, scaled.data());
    image.replace_pixels(scaled.release(), f.width, f.height);
  }
  step_timer(kSmoothedScaleStep);
}

void check_smoothed_scaling(const char *word, ImageHeader &image) {
  const ScaleFactors f = scale_factors(word, image, kSmoothedScaleMargin);
  check_scaled_result("sscale", f);
  smoothed_scale_plan(f, image);
  image.nx = f.width;
  image.ny = f.height;
}

}  // namespace photofilter
