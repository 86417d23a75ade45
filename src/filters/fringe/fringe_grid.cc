#include "filters/fringe/fringe_grid.h"

#include "image/errors.h"
#include "image/parameter_scan.h"

namespace photofilter {

FringeParameters scan_fringe_parameters(const char *word, const ImageHeader &image) {
  FringeParameters p;
  const int64_t size_sum = int64_t{image.nx} + image.ny;
  p.extent = static_cast<int32_t>(size_sum / 150);
  p.xyinc = static_cast<int32_t>(size_sum / 3000 + 1);
  p.scanned = scan_parameters(word, "%lf,%lf,%d,%d", &p.factor, &p.slimit, &p.extent, &p.xyinc);
  if (p.extent < 0) throw InvalidParameter("extent must be 0 or more");
  if (p.xyinc < 1) throw InvalidParameter("xyinc must be 1 or more");
  return p;
}

void log_fringe_parameters(const char *tag, const FringeParameters &p) {
  std::fprintf(stderr, "%s command params %d\n", tag, p.scanned);
  std::fprintf(stderr, "%s correction factor %g slimit %g extent %d xyinc %d\n", tag, p.factor,
               p.slimit, p.extent, p.xyinc);
}

}  // namespace photofilter
