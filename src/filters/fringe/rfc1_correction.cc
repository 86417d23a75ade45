// "-rfc1 factor,slimit,extent,xyinc": the first, simpler red-fringe
// correction. Around each grid centre whose green is near saturation,
// every pixel darker than slimit times the centre's level, and not bright
// itself, has its red averaged with the smallest red among its four
// diagonal neighbours when that is not above its own (fringe_rules.h).
// `factor` is logged only.
#include <cstdio>

#include "filters/fringe/fringe_commands.h"
#include "filters/fringe/fringe_grid.h"
#include "filters/fringe/rfc1_rows.h"
#include "image/step_timer.h"

namespace photofilter {

FringeParameters plan_rfc1_correction(const char *word, const ImageHeader &image) {
  const FringeParameters p = scan_fringe_parameters(word, image);
  log_fringe_parameters("rfc1", p);
  return p;
}

void rfc1_correction(const char *word, Image &image) {
  const FringeParameters p = plan_rfc1_correction(word, image);
  const int64_t corrected = correct_rfc1_by_rows(image, p);
  const double pixels = static_cast<double>(image.pixel_count());
  const double share = pixels > 0 ? static_cast<double>(corrected) / pixels * 100 : 0.0;
  std::fprintf(stderr, "corrected points %g cfak %g %% %g\n", static_cast<double>(corrected), 1.3,
               share);
  step_timer("rfc1 correction");
}

void check_rfc1_correction(const char *word, ImageHeader &image) {
  plan_rfc1_correction(word, image);
}

}  // namespace photofilter
