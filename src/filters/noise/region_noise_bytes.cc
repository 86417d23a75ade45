// "-fnr" on an image still held as bytes. One cycle with one step for r, g
// and b whose result is written next streams the rows through both passes
// and back into the bytes (region_noise_reduction_into_bytes equals the
// kernel followed by the written image's clamp). Anything else widens the
// image and runs the handler's cycles.
#include "filters/noise/noise_commands.h"
#include "filters/noise/noise_plans.h"
#include "filters/noise/timed_cycles.h"
#include "image/kernels.h"
#include "image/region_noise_reduction_bytes.h"

namespace photofilter {

void fnr_noise_reduction_bytes(const char *word, WorkingImage &image, bool written_next) {
  const FnrNoiseReductionPlan p = plan_fnr_noise_reduction(word);
  ByteImage &bytes = image.bytes();
  const bool one_step = p.r_step == p.g_step && p.g_step == p.b_step;
  if (written_next && p.cycles == 1 && one_step && region_streams_bytes(bytes, p.radius)) {
    timed_cycles(p.cycles, "fnr ", "fnr done",
                 [&] { region_noise_reduction_into_bytes(bytes, p.radius, p.r_step); });
    return;
  }
  Image &pixels = image.widened();
  timed_cycles(p.cycles, "fnr ", "fnr done", [&] {
    region_noise_reduction(pixels, p.radius, p.r_step, p.g_step, p.b_step, 0, 0);
  });
}

}  // namespace photofilter
