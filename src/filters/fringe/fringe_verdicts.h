// "-rfc" and "-bfc" with the window tests answered by integer comparisons
// and remembered per pixel.
#pragma once

#include "filters/fringe/fringe_grid.h"
#include "image/image.h"

namespace photofilter {

// Equals correct_fringes<Fringe> (fringe_rules.h) for every image and plan.
template <typename Fringe>
void correct_fringes_by_verdicts(Image &image, const FringeCorrectionPlan &plan);

}  // namespace photofilter
