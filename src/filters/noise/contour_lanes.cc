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
//   (dither_row_phases), so rows may be sharpened in any order and on
//   several threads.
// The fourth lane only ever holds 0.
#include "filters/noise/contour_lanes.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "image/brightness_table.h"
#include "image/channel_dither.h"
#include "image/dither_phases.h"
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

// Rows y0 .. y1 - 1, each from its start phase, or, without start phases,
// with the phase carried on from row to row from 0.
PHOTOFILTER_MULTIVERSION void sharpen_rows(Image &image, const Image &blurred,
                                           const BrightnessTable<double> &brightness,
                                           double contour, const PhaseMoves<double> &moves,
                                           bool dither, const int64_t *start_phases,
                                           int32_t y0, int32_t y1) {
  int phase = 0;
  for (int32_t y = y0; y < y1; ++y) {
    if (start_phases != nullptr) phase = static_cast<int>(start_phases[y]);
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

}  // namespace

void sharpen_contours_in_lanes(Image &image, const Image &blurred, double contour,
                               double full_scale, int dither) {
  const BrightnessTable<double> brightness(full_scale);
  const PhaseMoves<double> moves(dither);
  if (run_threads() == 1) {
    sharpen_rows(image, blurred, brightness, contour, moves, dither != 0, nullptr, 0, image.ny);
    return;
  }
  // Rows over the run's threads: a row needs only its start phase, worked
  // out ahead.
  const std::vector<int64_t> start_phases =
      dither != 0 ? dither_row_phases(blurred, 0).start : std::vector<int64_t>(blurred.ny, 0);
  split_rows(image, [&](int32_t y0, int32_t y1) {
    sharpen_rows(image, blurred, brightness, contour, moves, dither != 0, start_phases.data(), y0,
                 y1);
  });
}

}  // namespace photofilter
