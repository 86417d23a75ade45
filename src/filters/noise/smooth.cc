// "-s cycles,radius,weight": the weighted blur applied `cycles` times.
#include <cstdio>

#include "filters/noise/noise_commands.h"
#include "filters/noise/noise_plans.h"
#include "filters/noise/timed_cycles.h"
#include "image/kernels.h"
#include "image/parameter_scan.h"

namespace photofilter {

SmoothPlan plan_smooth(const char *word) {
  SmoothPlan p;
  scan_parameters(word, "%d,%d,%lf", &p.cycles, &p.average, &p.weight);
  std::fprintf(stderr, "smooth cycles %d average %d weight %g\n", p.cycles, p.average, p.weight);
  return p;
}

void smooth(const char *word, Image &image) {
  const SmoothPlan p = plan_smooth(word);
  timed_cycles(p.cycles, "smooth cycle ", "smooth done",
               [&] { weighted_blur(image, p.average, p.weight); });
}

void check_smooth(const char *word, ImageHeader &) { plan_smooth(word); }

}  // namespace photofilter
