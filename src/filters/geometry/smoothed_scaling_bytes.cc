// "-ssc" on an image still held as bytes. A reduction reads the bytes a
// row widened at a time through the sampled blur, as the handler reads the
// image's Pixel rows, and gives the same pixels; an enlargement blurs the
// whole image and so widens it first.
#include "filters/geometry/geometry_commands.h"
#include "filters/geometry/geometry_support.h"
#include "filters/geometry/smoothed_scaling.h"
#include "image/byte_image.h"
#include "image/kernels.h"
#include "image/step_timer.h"

namespace photofilter {

void smoothed_scaling_bytes(const char *word, WorkingImage &working, bool) {
  ByteImage &bytes = working.bytes();
  const ScaleFactors f = scale_factors(word, bytes, kSmoothedScaleMargin);
  if (!(f.bin_width >= 1 && f.bin_height >= 1)) {
    smoothed_scaling(word, working.widened());
    return;
  }
  ResultArray scaled = scaled_result("sscale", f, bytes.storage);
  const SmoothedScalePlan p = smoothed_scale_plan(f, bytes);
  {
    // The result shares the bytes' memory. Out row j ends at byte
    // 8 * (j + 1) * width <= 8 * (j + 1) * nx, and the rows the blur still
    // reads after writing it, from rows[j] + 1 >= j + 1 on, start at
    // 5 * nx * ny + 3 * nx * (rows[j] + 1) or later, which is no earlier
    // since j + 1 <= ny.
    ByteImageRows source(bytes);
    weighted_blur_sampled(source, p.radius, f.weight, p.columns, p.rows, scaled.data());
  }
  Image result;
  static_cast<ImageHeader &>(result) = bytes;
  result.replace_pixels(scaled.release(), f.width, f.height);
  clear_aux(result);
  working = WorkingImage(std::move(result));  // `bytes` is gone from here on
  step_timer(kSmoothedScaleStep);
}

}  // namespace photofilter
