// "-cd amplitude": moves `amplitude` between two channels of every pixel,
// keeping r + g + b. The pair follows a running phase fed by each pixel's
// samples and position; the phase carries on from one "-cd" to the next
// within a run, so a second pass continues the pattern.
#include <cstdio>
#include <vector>

#include "filters/color/color_commands.h"
#include "filters/color/dither_state.h"
#include "image/channel_dither.h"
#include "image/dither_phases.h"
#include "image/multiversion.h"
#include "image/parallel.h"
#include "image/parameter_scan.h"
#include "image/sample.h"
#include "image/step_timer.h"

namespace photofilter {
namespace {

using Move = ChannelMove<int32_t>;

// An amount beyond +-65536 saturates every sample it touches just as that
// bound does, and the bound keeps sums in 32 bits.
int32_t bounded_amount(int32_t amount) {
  return amount < -65536 ? -65536 : (amount > 65536 ? 65536 : amount);
}

// The next phase, (sum + phase) % 6 with the remainder truncated toward
// zero. Where the sum is at least 5, sum + phase cannot be negative, so the
// remainder of the sum alone (which does not wait for the previous pixel)
// plus the phase, brought into 0..5, is the same value and keeps the chain
// from pixel to pixel short.
PHOTOFILTER_INLINE int64_t next_phase(int64_t sum, int64_t phase) {
  if (sum < 5) return (sum + phase) % 6;
  const int64_t v = sum % 6 + phase;
  return v < 0 ? v + 6 : (v >= 6 ? v - 6 : v);
}

// The phases of one row depend each on the one before, so they are found
// first, one pixel after the other, and only noted as moves.
int64_t note_row_moves(const Pixel *row, int32_t nx, int32_t y, int64_t phase,
                       const PhaseMoves<int32_t> &moves, Move *noted) {
  for (int32_t x = 0; x < nx; ++x) {
    const Pixel &p = row[x];
    phase = next_phase(p.r + p.g + p.b + x + int64_t{y}, phase);
    noted[x] = moves[phase];
  }
  return phase;
}

// The moves are then added with saturation, independently per sample.
PHOTOFILTER_MULTIVERSION void add_row_moves(Pixel *row, int32_t nx, const Move *noted) {
  for (int32_t x = 0; x < nx; ++x) {
    Pixel &p = row[x];
    p.r = saturate_sample(p.r + noted[x].r);
    p.g = saturate_sample(p.g + noted[x].g);
    p.b = saturate_sample(p.b + noted[x].b);
  }
}

// Rows y0 .. y1 - 1, each from its start phase, or, without start phases,
// with the phase carried on from row to row from `phase`. Returns the
// phase after the last row.
PHOTOFILTER_MULTIVERSION int64_t dither_rows(Image &image, const int64_t *start_phases,
                                             int64_t phase, const PhaseMoves<int32_t> &moves,
                                             int32_t y0, int32_t y1) {
  std::vector<Move> noted(image.nx);
  for (int32_t y = y0; y < y1; ++y) {
    if (start_phases != nullptr) phase = start_phases[y];
    phase = note_row_moves(image.row(y), image.nx, y, phase, moves, noted.data());
    add_row_moves(image.row(y), image.nx, noted.data());
  }
  return phase;
}

}  // namespace

int32_t &dither_state() {
  static int32_t state = 0;
  return state;
}

namespace {

// The amplitude as scanned and logged.
int color_dithering_plan(const char *word) {
  int amplitude = 1;
  scan_parameters(word, "%d", &amplitude);
  std::fprintf(stderr, "color dithering %d \n", amplitude);
  return amplitude;
}

}  // namespace

void check_color_dithering(const char *word, ImageHeader &) { color_dithering_plan(word); }

void color_dithering(const char *word, Image &image) {
  const PhaseMoves<int32_t> moves(bounded_amount(color_dithering_plan(word)));
  int64_t phase = dither_state();
  if (run_threads() == 1) {
    phase = dither_rows(image, nullptr, phase, moves, 0, image.ny);
  } else {
    // Each row's phases come from its own samples before they change and
    // the phase it starts with, which is worked out ahead: the rows go
    // over the run's threads.
    const RowPhases phases = dither_row_phases(image, phase);
    split_rows(image, [&](int32_t y0, int32_t y1) {
      dither_rows(image, phases.start.data(), 0, moves, y0, y1);
    });
    phase = phases.end;
  }
  if (image.ny > 0) dither_state() = static_cast<int32_t>(phase);
  step_timer("color dithering done");
}

}  // namespace photofilter
