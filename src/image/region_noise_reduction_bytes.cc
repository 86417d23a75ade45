// region_noise_reduction_into_bytes(image, radius, step) leaves every byte
// as widen, region_noise_reduction with the same step for r, g and b and
// none for aux, and the written image's clamp to 0..255 leave it, for every
// image region_streams_bytes takes. Why: with an aux step of 0 the kernel
// is the colour group's horizontal and then vertical pass of
// StepTowardMeanRule (region_noise_reduction.cc), both of which run since
// a whole window fits either way, with the radius as it is; the streamed
// passes give what those passes and the clamp give
// (running_window_streamed.h), and the rule gives r, g and b the one
// capped step as their lane parameter.
#include "image/region_noise_reduction_bytes.h"

#include <algorithm>

#include "image/region_rule.h"
#include "image/running_window_streamed.h"

namespace photofilter {

bool region_streams_bytes(const ImageHeader &image, int32_t radius) {
  const int64_t window = 2 * int64_t{radius} + 1;
  return radius >= 0 && window <= std::min(image.nx, image.ny) &&
         running_window::streams_bytes(image, radius);
}

void region_noise_reduction_into_bytes(ByteImage &image, int32_t radius, int32_t step) {
  const int32_t capped = region_rule::capped_step(step);
  if (capped == 0) return;
  const region_rule::StepTowardMeanRule rule{2 * radius + 1, {capped, capped, capped, 0}};
  running_window::stream_passes_into_bytes(image, radius, rule, capped);
}

}  // namespace photofilter
