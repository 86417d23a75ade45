// "-t cycles,gain,radius,weight": a test command whose parameters are only
// logged; the image gets one 2x2 block mean and shrinks by one pixel.
#include "filters/edge/test_filter.h"

#include <cstdio>

#include "filters/edge/edge_commands.h"
#include "image/block_mean.h"
#include "image/parameter_scan.h"
#include "image/step_timer.h"

namespace photofilter {

TestFilterPlan plan_test_filter(const char *word, const ImageHeader &image) {
  TestFilterPlan p;
  scan_parameters(word, "%d,%lf,%d,%lf", &p.cycles, &p.gain, &p.radius, &p.weight);
  std::fprintf(stderr, "test cycles %d gain %g radius %d weight %g\n", p.cycles, p.gain, p.radius,
               p.weight);
  const bool empty = image.nx < 1 || image.ny < 1;
  p.new_nx = empty ? image.nx : image.nx - 1;
  p.new_ny = empty ? image.ny : image.ny - 1;
  return p;
}

void test_filter(const char *word, Image &image) {
  plan_test_filter(word, image);
  shrink_by_block_mean(image);
  step_timer("test done");
}

void check_test_filter(const char *word, ImageHeader &image) {
  const TestFilterPlan p = plan_test_filter(word, image);
  image.nx = p.new_nx;
  image.ny = p.new_ny;
}

}  // namespace photofilter
