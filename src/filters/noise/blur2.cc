// "-b2 cycles": each cycle replaces the image by its 2x2 block means, one
// pixel narrower and lower (blur2.h).
#include <cstdio>

#include "filters/noise/blur2.h"
#include "filters/noise/noise_commands.h"
#include "filters/noise/noise_plans.h"

namespace photofilter {

Blur2Plan plan_blur2(const char *word) {
  Blur2Plan p;
  std::sscanf(word, "%d", &p.cycles);
  std::fprintf(stderr, "blur 2 cycles %d\n", p.cycles);
  return p;
}

void blur2(const char *word, Image &image) { blur2_cycles(plan_blur2(word), image); }

}  // namespace photofilter
