// weighted_blur_into_bytes(image, radius, weight) leaves every byte as
// widen, weighted_blur (which equals weighted_blur_plain) and the written
// image's clamp to 0..255 leave it, for every image blur_streams_bytes
// takes. Why: weighted_blur is the horizontal and then the vertical pass
// of the rule blur_rules::with_rule picks, over the same largest window,
// and the streamed passes give what those passes and the clamp give
// (running_window_streamed.h); every blur rule gives r, g and b the same
// lane parameter (blur_rules.h). A weight of 0 leaves every sample.
#include "image/weighted_blur_bytes.h"

#include "image/blur_rules.h"
#include "image/running_window_streamed.h"

namespace photofilter {

bool blur_streams_bytes(const ImageHeader &image, int32_t radius) {
  return running_window::streams_bytes(image, radius);
}

void weighted_blur_into_bytes(ByteImage &image, int32_t radius, double weight) {
  if (weight == 0) return;
  blur_rules::with_rule(weight, blur_rules::largest_window(image.nx, image.ny, radius),
                        [&](auto rule) {
                          running_window::stream_passes_into_bytes(image, radius, rule,
                                                                   rule.lane_pattern()[0]);
                        });
}

}  // namespace photofilter
