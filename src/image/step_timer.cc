#include "image/step_timer.h"

#include <cstdio>
#include <ctime>

namespace photofilter {
namespace {

// Lives for the whole run: the steps counted so far and the total CPU time
// at the previous line.
int step_count = 0;
double previous_total = 0.0;

}  // namespace

void step_timer(const char *label) {
  const double total = static_cast<double>(std::clock()) / 1000000.0;
  const double this_step = total - previous_total + 0.001;
  std::fprintf(stderr, "%s cpu time step %d total %.2f this step %.2f \n", label,
               step_count, total, this_step);
  ++step_count;
  previous_total = total;
}

}  // namespace photofilter
