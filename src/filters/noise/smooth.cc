// "-s cycles,radius,weight": the weighted blur applied `cycles` times.
#include <cstdio>

#include "image/step_timer.h"
#include "filters/noise/noise_commands.h"
#include "image/kernels.h"

namespace photofilter {

void smooth(const char *word, Image &image) {
  int cycles = 1;
  int average = 1;
  double weight = 1.0;
  std::sscanf(word, "%d,%d,%lf", &cycles, &average, &weight);
  std::fprintf(stderr, "smooth cycles %d average %d weight %g\n", cycles, average, weight);
  for (int cycle = 0; cycle < cycles; ++cycle) {
    weighted_blur(image, average, weight);
    step_timer("smooth cycle ");
  }
  step_timer("smooth done");
}

}  // namespace photofilter
