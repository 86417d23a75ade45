// "-b2" on an image still held as bytes, which stays bytes: the mean of
// four bytes truncated toward zero is a byte, and the block means of
// block_mean_bytes.cc equal those of the Pixel image sample for sample.
#include "filters/noise/blur2.h"
#include "filters/noise/noise_commands.h"

namespace photofilter {

void blur2_bytes(const char *word, WorkingImage &image, bool) {
  blur2_cycles(plan_blur2(word, image.bytes()), image.bytes());
}

}  // namespace photofilter
