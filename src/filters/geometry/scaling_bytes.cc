// "-sc" on an image still held as read: the bins read the bytes as they
// are. Means of bytes are bytes, so the result stays bytes unless it is
// smoothed, which needs Pixels; then only the result is widened.
#include <utility>

#include "filters/geometry/geometry_commands.h"
#include "filters/geometry/geometry_support.h"
#include "filters/geometry/scaling.h"
#include "image/step_timer.h"

namespace photofilter {

void scaling_bytes(const char *word, WorkingImage &working, bool) {
  ByteImage &image = working.bytes();
  const ScaleFactors f = scale_factors(word, image, 0.00001);
  ResultArray scaled = scaled_result("scale", f, image.storage);
  const ScalePlan p = scale_plan(f, image);
  const ByteSampleRows source{image.bytes(), image.nx};
  if (p.radius > 0) {
    // A smoothed result is an enlargement (1/fx + 1/fy < 1.99): its array
    // is a fresh one.
    bin_fast(source, p, scaled.data());
    Image result;
    static_cast<ImageHeader &>(result) = image;
    result.replace_pixels(scaled.release(), f.width, f.height);
    working = WorkingImage(std::move(result));
    smooth_scaled(p, working.widened());
    return;
  }
  // A reduction writes into the source's own memory (scaled_result), its
  // bytes where the smaller image's stand: result row j ends at
  // 5*width*height + 3*width*(j + 1) <= 5*nx*ny + 3*nx*(j + 1), where source
  // row j + 1 starts, and bin_fast writes it once its bins are done.
  const int64_t count = int64_t{f.width} * f.height;
  bin_fast(source, p, byte_position(scaled.data(), count));
  image.replace(scaled.release(), f.width, f.height);
  step_timer("binning done");
  step_timer("scaling done");
}

}  // namespace photofilter
