// "-cd amplitude": moves `amplitude` between two channels of every pixel,
// keeping r + g + b. The pair follows a running phase fed by each pixel's
// samples and position; the phase carries on from one "-cd" to the next
// within a run, so a second pass continues the pattern.
#include <cstdio>

#include "filters/color/color_commands.h"
#include "filters/color/dithering_rows.h"
#include "image/parameter_scan.h"

namespace photofilter {

int32_t &dither_state() {
  static int32_t state = 0;
  return state;
}

int color_dithering_plan(const char *word) {
  int amplitude = 1;
  scan_parameters(word, "%d", &amplitude);
  std::fprintf(stderr, "color dithering %d \n", amplitude);
  return amplitude;
}

void check_color_dithering(const char *word, ImageHeader &) { color_dithering_plan(word); }

void dither_pixels(Image &image, int32_t amount) { dither_image(image, amount); }

void color_dithering(const char *word, Image &image) {
  dither_pixels(image, color_dithering_plan(word));
}

}  // namespace photofilter
