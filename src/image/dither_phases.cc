// Why the phases are those of the walk pixel by pixel: while the phase and
// every step s + x + y of a row are 0 or more, each remainder is that of a
// sum that is 0 or more, so the row ends at (phase + the row's total) mod
// 6; a row with a step below 0 is walked pixel by pixel as the rule walks
// it. The rows' totals are independent and summed over the run's threads;
// only the short chain from row to row is sequential.
#include "image/dither_phases.h"

#include <algorithm>

#include "image/multiversion.h"
#include "image/parallel.h"

namespace photofilter {
namespace {


struct RowSteps {
  int64_t total = 0;
  bool none_negative = true;
};

template <typename AnyImage>
PHOTOFILTER_MULTIVERSION void row_steps(const AnyImage &image, int32_t y0, int32_t y1,
                                        RowSteps *steps) {
  for (int32_t y = y0; y < y1; ++y) {
    const auto *row = image.row(y);
    int64_t total = 0, least = 0;
    for (int32_t x = 0; x < image.nx; ++x) {
      const int64_t step = channel_sum_at(row, x) + x + y;
      total += step;
      least = std::min(least, step);
    }
    steps[y] = {total, least >= 0};
  }
}


template <typename AnyImage>
RowPhases phases_of_rows(const AnyImage &sums_from, int64_t first) {
  std::vector<RowSteps> steps(static_cast<size_t>(sums_from.ny));
  split_rows(sums_from,
             [&](int32_t y0, int32_t y1) { row_steps(sums_from, y0, y1, steps.data()); });
  RowPhases phases;
  phases.start.resize(static_cast<size_t>(sums_from.ny));
  int64_t phase = first;
  for (int32_t y = 0; y < sums_from.ny; ++y) {
    phases.start[y] = phase;
    if (steps[y].none_negative && phase >= 0) {
      phase = (phase + steps[y].total) % 6;
      continue;
    }
    const auto *row = sums_from.row(y);
    for (int32_t x = 0; x < sums_from.nx; ++x) {
      phase = (phase + channel_sum_at(row, x) + x + y) % 6;
    }
  }
  phases.end = phase;
  return phases;
}

}  // namespace


RowPhases dither_row_phases(const Image &sums_from, int64_t first) {
  return phases_of_rows(sums_from, first);
}

RowPhases dither_row_phases(const ByteImage &sums_from, int64_t first) {
  return phases_of_rows(sums_from, first);
}

}  // namespace photofilter
