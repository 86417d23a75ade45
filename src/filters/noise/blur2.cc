// "-b2 cycles": each cycle replaces the image by its 2x2 block means, one
// pixel narrower and lower (blur2.h).
#include <algorithm>
#include <cstdio>

#include "filters/noise/blur2.h"
#include "filters/noise/noise_commands.h"
#include "filters/noise/noise_plans.h"
#include "image/parameter_scan.h"

namespace photofilter {

Blur2Plan plan_blur2(const char *word, const ImageHeader &image) {
  Blur2Plan p;
  scan_parameters(word, "%d", &p.cycles);
  std::fprintf(stderr, "blur 2 cycles %d\n", p.cycles);
  p.cycles_run = std::max(0, std::min({p.cycles, image.nx, image.ny}));
  p.new_nx = image.nx - p.cycles_run;
  p.new_ny = image.ny - p.cycles_run;
  return p;
}

void blur2(const char *word, Image &image) { blur2_cycles(plan_blur2(word, image), image); }

void check_blur2(const char *word, ImageHeader &image) {
  const Blur2Plan p = plan_blur2(word, image);
  image.nx = p.new_nx;
  image.ny = p.new_ny;
}

}  // namespace photofilter
