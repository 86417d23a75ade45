// "-s" on an image still held as bytes. One cycle whose result is written
// next streams the rows through both passes of the blur and back into the
// bytes (weighted_blur_into_bytes equals the blur followed by the written
// image's clamp); a weight of 0 leaves every sample as it is, so the
// bytes stay. Anything else widens the image and smooths the Pixels as
// the handler does.
#include "filters/noise/noise_commands.h"
#include "filters/noise/noise_plans.h"
#include "filters/noise/timed_cycles.h"
#include "image/kernels.h"
#include "image/weighted_blur_bytes.h"

namespace photofilter {

void smooth_bytes(const char *word, WorkingImage &image, bool written_next) {
  const SmoothPlan p = plan_smooth(word);
  ByteImage &bytes = image.bytes();
  const bool streamed = written_next && p.cycles == 1 && blur_streams_bytes(bytes, p.average);
  if (streamed || p.weight == 0) {
    timed_cycles(p.cycles, "smooth cycle ", "smooth done",
                 [&] { weighted_blur_into_bytes(bytes, p.average, p.weight); });
    return;
  }
  Image &pixels = image.widened();
  timed_cycles(p.cycles, "smooth cycle ", "smooth done",
               [&] { weighted_blur(pixels, p.average, p.weight); });
}

}  // namespace photofilter
