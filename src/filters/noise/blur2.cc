// "-b2 cycles": each cycle replaces the image by its 2x2 block means, one
// pixel narrower and lower. Once the image is empty the remaining cycles
// have nothing to do and are skipped, so a huge count costs nothing.
#include <cstdio>

#include "filters/noise/noise_commands.h"
#include "image/block_mean.h"
#include "image/step_timer.h"

namespace photofilter {

namespace {

template <typename AnyImage>
void blur2_cycles(const char *word, AnyImage &image) {
  int cycles = 1;
  std::sscanf(word, "%d", &cycles);
  std::fprintf(stderr, "blur 2 cycles %d\n", cycles);
  for (int cycle = 0; cycle < cycles && image.nx >= 1 && image.ny >= 1; ++cycle) {
    shrink_by_block_mean(image);
    step_timer("blur2 cycle done");
  }
  step_timer("blur2 done");
}

}  // namespace

void blur2(const char *word, Image &image) { blur2_cycles(word, image); }

void blur2_bytes(const char *word, WorkingImage &image, bool) { blur2_cycles(word, image.bytes()); }

}  // namespace photofilter
