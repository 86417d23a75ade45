// "-b2 cycles": each cycle replaces the image by its 2x2 block means, one
// pixel narrower and lower. Once the image is empty the remaining cycles
// have nothing to do and are skipped, so a huge count costs nothing. An
// image still held as bytes stays bytes: means of bytes are bytes.
#include <cstdio>

#include "filters/noise/noise_commands.h"
#include "filters/noise/noise_plans.h"
#include "image/block_mean.h"
#include "image/step_timer.h"

namespace photofilter {
namespace {

template <typename AnyImage>
void blur2_cycles(const Blur2Plan &p, AnyImage &image) {
  for (int cycle = 0; cycle < p.cycles && image.nx >= 1 && image.ny >= 1; ++cycle) {
    shrink_by_block_mean(image);
    step_timer("blur2 cycle done");
  }
  step_timer("blur2 done");
}

}  // namespace

Blur2Plan plan_blur2(const char *word) {
  Blur2Plan p;
  std::sscanf(word, "%d", &p.cycles);
  std::fprintf(stderr, "blur 2 cycles %d\n", p.cycles);
  return p;
}

void blur2(const char *word, Image &image) { blur2_cycles(plan_blur2(word), image); }

void blur2_bytes(const char *word, WorkingImage &image, bool) {
  blur2_cycles(plan_blur2(word), image.bytes());
}

}  // namespace photofilter
