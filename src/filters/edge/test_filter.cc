// "-t cycles,gain,radius,weight": a test command whose parameters are only
// logged; the image gets one 2x2 block mean and shrinks by one pixel.
#include <cstdio>

#include "filters/edge/edge_commands.h"
#include "image/block_mean.h"
#include "image/step_timer.h"

namespace photofilter {

namespace {

template <typename AnyImage>
void test_filter_on(const char *word, AnyImage &image) {
  int cycles = 1;
  double gain = 1.0;
  int radius = 3;
  double weight = 1.0;
  std::sscanf(word, "%d,%lf,%d,%lf", &cycles, &gain, &radius, &weight);
  std::fprintf(stderr, "test cycles %d gain %g radius %d weight %g\n", cycles, gain, radius,
               weight);
  shrink_by_block_mean(image);
  step_timer("test done");
}

}  // namespace

void test_filter(const char *word, Image &image) { test_filter_on(word, image); }

void test_filter_bytes(const char *word, WorkingImage &image, bool) {
  test_filter_on(word, image.bytes());
}

}  // namespace photofilter
