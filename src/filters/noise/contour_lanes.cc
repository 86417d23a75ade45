// The contour stage with the three channels of a pixel side by side in
// vector lanes: the remainder carry and the dither become lane-wise
// compares and adds instead of a branch per channel, which noisy images
// would mispredict half the time, and a jump on a pseudo-random phase.
//
// Contract: sharpen_contours_in_lanes equals sharpen_contours for every
// input. Proof, step by step against the plain rule:
// - Brightness values come from BrightnessTable, whose entries are
//   brightness_of_sum itself worked out ahead; f is the same expression.
// - Each lane does the plain rule's operations on its channel in the same
//   order: the product, the remainder v - trunc(v) added to the row's
//   accumulator, and where the accumulator passes 0.5 the value raised by
//   1 and the accumulator lowered by 1. A lane that is not raised gets +0
//   subtracted from its accumulator, which keeps it exactly (also -0), and
//   +0 added to its value, which keeps it except that -0 becomes +0; from
//   there the value is only dithered and truncated, and -0 and +0 give
//   the same results in both.
// - The dither adds the PhaseMoves entry of the phase: +amount, -amount or
//   0 per channel, where the plain rule adds or subtracts the amount
//   (v - a and v + (-a) round alike) or leaves the value; the phase is the
//   same remainder of the same sum.
// - Each row starts from the phase the plain walk reaches at its start
//   (row_start_phases, proof beside it), so rows may be sharpened in any
//   order and on several threads.
// The fourth lane only ever holds 0.
#include "filters/noise/contour_lanes.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "image/brightness_table.h"
#include "image/channel_dither.h"
#include "image/multiversion.h"
#include "image/parallel.h"
#include "image/sample.h"
#include "image/vector_types.h"

namespace photofilter {
namespace {

// The scaled r, g and b of a pixel and an unused fourth lane are Doubles.
static_assert(sizeof(Doubles) == sizeof(ChannelMove<double>));

int32_t channel_sum(const Pixel &p) { return int32_t{p.r} + p.g + p.b; }

// The remainders of a row's scaled values: whenever one channel's
// accumulated fraction passes 0.5, that channel's value is raised by 1.
struct RowRemainders {
  Doubles accumulated = {0, 0, 0, 0};

  PHOTOFILTER_INLINE void carry(Doubles &values) {
    const Doubles whole = {std::trunc(values[0]), std::trunc(values[1]), std::trunc(values[2]), 0};
    accumulated += values - whole;
    const LaneMasks over = accumulated > 0.5;
    const Doubles ones = {1, 1, 1, 1};
    const Doubles raise = (Doubles)(over & (LaneMasks)ones);
    values += raise;
    accumulated -= raise;
  }
};

PHOTOFILTER_INLINE void add_move(const ChannelMove<double> &move, Doubles &values) {
  Doubles lanes;
  std::memcpy(&lanes, &move, sizeof lanes);
  values += lanes;
}

// The dither phase: (phase + sum + x + y) remainder 6, negative for a
// negative dividend.
PHOTOFILTER_INLINE int next_phase(int phase, int32_t sum, int32_t x, int32_t y) {
  return static_cast<int>((int64_t{phase} + sum + x + y) % 6);
}

// Rows y0 .. y1 - 1, each from its start phase.
PHOTOFILTER_MULTIVERSION void sharpen_rows(Image &image, const Image &blurred,
                                           const BrightnessTable<double> &brightness,
                                           double contour, const PhaseMoves<double> &moves,
                                           bool dither, const int *start_phases, int32_t y0,
                                           int32_t y1) {
  for (int32_t y = y0; y < y1; ++y) {
    int phase = start_phases[y];
    Pixel *row = image.row(y);
    const Pixel *around = blurred.row(y);
    RowRemainders remainders;
    for (int32_t x = 0; x < image.nx; ++x) {
      Pixel &p = row[x];
      const int32_t blurred_sum = channel_sum(around[x]);
      const double l = brightness(channel_sum(p));
      const double lb = brightness(blurred_sum);
      const double t = 1 + (lb - l) * l * contour * 0.666;
      const double f = t * t;
      Doubles values = {p.r * f, p.g * f, p.b * f, 0};
      remainders.carry(values);
      if (dither) {
        phase = next_phase(phase, blurred_sum, x, y);
        add_move(moves[phase], values);
      }
      p.r = truncate_to_sample(values[0]);
      p.g = truncate_to_sample(values[1]);
      p.b = truncate_to_sample(values[2]);
    }
  }
}

// The steps s + x + y of a row's phases (s the blurred channel sum of
// pixel x): their total, and whether none is below 0.
struct RowSteps {
  int64_t total = 0;
  bool none_negative = true;
};

PHOTOFILTER_MULTIVERSION void row_steps(const Image &blurred, int32_t y0, int32_t y1,
                                        RowSteps *steps) {
  for (int32_t y = y0; y < y1; ++y) {
    const Pixel *row = blurred.row(y);
    int64_t total = 0, least = 0;
    for (int32_t x = 0; x < blurred.nx; ++x) {
      const int64_t step = int64_t{channel_sum(row[x])} + x + y;
      total += step;
      least = std::min(least, step);
    }
    steps[y] = {total, least >= 0};
  }
}

// The dither phase runs on across pixels and rows, but it depends only on
// the blurred sums and the positions, so the phase each row starts with is
// worked out ahead and the rows can then be sharpened in any order. While
// the phase and every step of a row are 0 or more, each remainder is that
// of a sum that is 0 or more, so the row ends at (phase + the row's total)
// mod 6; a row with a step below 0 is walked pixel by pixel as the rule
// walks it.
std::vector<int> row_start_phases(const Image &blurred) {
  std::vector<RowSteps> steps(static_cast<size_t>(blurred.ny));
  split_rows(blurred, [&](int32_t y0, int32_t y1) { row_steps(blurred, y0, y1, steps.data()); });
  std::vector<int> phases(static_cast<size_t>(blurred.ny));
  int phase = 0;
  for (int32_t y = 0; y < blurred.ny; ++y) {
    phases[y] = phase;
    if (steps[y].none_negative && phase >= 0) {
      phase = static_cast<int>((phase + steps[y].total) % 6);
      continue;
    }
    const Pixel *row = blurred.row(y);
    for (int32_t x = 0; x < blurred.nx; ++x) phase = next_phase(phase, channel_sum(row[x]), x, y);
  }
  return phases;
}

}  // namespace

void sharpen_contours_in_lanes(Image &image, const Image &blurred, double contour,
                               double full_scale, int dither) {
  const std::vector<int> start_phases =
      dither != 0 ? row_start_phases(blurred) : std::vector<int>(blurred.ny, 0);
  const BrightnessTable<double> brightness(full_scale);
  const PhaseMoves<double> moves(dither);
  // Rows over the run's threads: a row needs only its start phase.
  split_rows(image, [&](int32_t y0, int32_t y1) {
    sharpen_rows(image, blurred, brightness, contour, moves, dither != 0, start_phases.data(), y0,
                 y1);
  });
}

}  // namespace photofilter
