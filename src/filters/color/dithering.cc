// "-cd amplitude": moves `amplitude` between two channels of every pixel,
// keeping r + g + b. The pair follows a running phase fed by each pixel's
// samples and position; the phase carries on from one "-cd" to the next
// within a run, so a second pass continues the pattern.
#include <cstdio>

#include "filters/color/color_commands.h"
#include "filters/color/dither_state.h"
#include "image/channel_dither.h"
#include "image/sample.h"
#include "image/step_timer.h"

namespace photofilter {
namespace {

// The change of r, g and b for each phase -5..5, so that the pixel loop
// needs no branch on the pseudo-random phase.
struct PhaseMoves {
  int64_t r[11] = {}, g[11] = {}, b[11] = {};

  explicit PhaseMoves(int32_t amount) {
    for (int phase = -5; phase <= 5; ++phase) {
      move_between_channels(phase, int64_t{amount}, r[phase + 5], g[phase + 5], b[phase + 5]);
    }
  }
};

}  // namespace

int32_t &dither_state() {
  static int32_t state = 0;
  return state;
}

void color_dithering(const char *word, Image &image) {
  int amplitude = 1;
  std::sscanf(word, "%d", &amplitude);
  std::fprintf(stderr, "color dithering %d \n", amplitude);
  const PhaseMoves moves(amplitude);
  int64_t phase = dither_state();
  for (int32_t y = 0; y < image.ny; ++y) {
    Pixel *row = image.row(y);
    for (int32_t x = 0; x < image.nx; ++x) {
      Pixel &p = row[x];
      phase = (p.r + phase + p.g + p.b + x + int64_t{y}) % 6;
      p.r = saturate_sample(p.r + moves.r[phase + 5]);
      p.g = saturate_sample(p.g + moves.g[phase + 5]);
      p.b = saturate_sample(p.b + moves.b[phase + 5]);
    }
  }
  if (image.ny > 0) dither_state() = static_cast<int32_t>(phase);
  step_timer("color dithering done");
}

}  // namespace photofilter
