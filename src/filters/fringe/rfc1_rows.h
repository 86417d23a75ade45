// "-rfc1" with each window row worked on in one pass without branches.
#pragma once

#include <cstdint>

#include "filters/fringe/fringe_grid.h"
#include "image/image.h"

namespace photofilter {

// Equals correct_rfc1 (fringe_rules.h) for every image and parameters,
// in the pixels and in the count it returns.
int64_t correct_rfc1_by_rows(Image &image, const FringeParameters &parameters);

}  // namespace photofilter
