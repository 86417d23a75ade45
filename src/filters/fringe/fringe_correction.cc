// "-rfc" and "-bfc factor,slimit,extent,xyinc": red and blue fringes next
// to bright highlights. Centres on a coarse grid whose green is near
// saturation and whose sampled neighbourhood holds a dark pixel get a
// square window in which every pixel dominated by the fringe colour is
// pulled towards the smallest value of that colour among itself and its
// diagonal neighbours. Corrections are written in place, so later pixels
// and later windows see them. The two commands share all of this and
// differ only in the channel they correct and in whose share of that
// channel the first window test reads (fringe_rules.h).
#include <cstdio>

#include "filters/fringe/fringe_commands.h"
#include "filters/fringe/fringe_grid.h"
#include "filters/fringe/fringe_rules.h"
#include "filters/fringe/fringe_verdicts.h"
#include "image/step_timer.h"

namespace photofilter {

FringeCorrectionPlan plan_fringe_correction(const char *tag, const char *word,
                                            const ImageHeader &image) {
  FringeCorrectionPlan plan;
  plan.grid = scan_fringe_parameters(word, image);
  log_fringe_parameters(tag, plan.grid);
  plan.cfak = 0.5 / plan.grid.factor + 1.01;
  std::fprintf(stderr, "%s using cfak %g \n", tag, plan.cfak);
  plan.stat_radius = (int64_t{image.nx} + image.ny) / 500;
  return plan;
}

namespace {

template <typename Fringe>
void fringe_correction(const char *word, Image &image) {
  const FringeCorrectionPlan plan = plan_fringe_correction(Fringe::tag, word, image);
  correct_fringes_by_verdicts<Fringe>(image, plan);
  step_timer(Fringe::step_label);
}

}  // namespace

void red_fringe_correction(const char *word, Image &image) {
  fringe_correction<RedFringe>(word, image);
}

void blue_fringe_correction(const char *word, Image &image) {
  fringe_correction<BlueFringe>(word, image);
}

void check_red_fringe_correction(const char *word, ImageHeader &image) {
  plan_fringe_correction(RedFringe::tag, word, image);
}

void check_blue_fringe_correction(const char *word, ImageHeader &image) {
  plan_fringe_correction(BlueFringe::tag, word, image);
}

}  // namespace photofilter
