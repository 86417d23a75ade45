// What the three fringe corrections share: their parameter word, their
// plans, and the coarse grid of centre points they visit with its
// progress lines.
#pragma once

#include <cstdint>
#include <cstdio>

#include "image/image.h"

namespace photofilter {

struct FringeParameters {
  double factor = 1.0;
  double slimit = 0.95;  // brightness limit of a centre's green, as a fraction of 255
  int32_t extent = 0;    // half-size of the correction window, margin of the grid
  int32_t xyinc = 1;     // step of the grid in both directions
  int scanned = 0;       // fields the word assigned (-1 for an empty word)
};

// Defaults from the image size, then the word scanned as
// "factor,slimit,extent,xyinc". An extent below 0 would put centres
// outside the image and an xyinc below 1 would never advance the grid:
// both are rejected before anything is logged.
FringeParameters scan_fringe_parameters(const char *word, const ImageHeader &image);

// The "<tag> command params" and "<tag> correction factor ..." lines.
void log_fringe_parameters(const char *tag, const FringeParameters &parameters);

// The plan of "-rfc" and "-bfc": the parameters and what follows from them
// and the image size. Planning logs the parameter lines and the
// "<tag> using cfak" line.
struct FringeCorrectionPlan {
  FringeParameters grid;
  double cfak = 0;          // 0.5 / factor + 1.01
  int64_t stat_radius = 0;  // (nx + ny) / 500: half-size of the statistics window
};
FringeCorrectionPlan plan_fringe_correction(const char *tag, const char *word,
                                            const ImageHeader &image);

// The plan of "-rfc1": the parameters, logged.
FringeParameters plan_rfc1_correction(const char *word, const ImageHeader &image);

// Calls visit(x, y) for the centres x, y = extent + 1, extent + 1 + xyinc,
// ... while x < nx - extent - 2 and y < ny - extent - 2, row by row, so
// every window of half-size `extent` and its diagonal neighbours lie
// inside the image. At the start of each centre row it prints the next
// decile ("complete 30%") when 10 y / ny reaches it exactly; once a coarse
// step jumps over a decile, no further line appears. The arithmetic is in
// 64 bits, so any extent and xyinc are safe.
template <typename Visit>
void for_each_centre(const Image &image, const FringeParameters &parameters, Visit &&visit) {
  const int64_t first = int64_t{parameters.extent} + 1;
  const int64_t row_end = int64_t{image.ny} - parameters.extent - 2;
  const int64_t column_end = int64_t{image.nx} - parameters.extent - 2;
  int64_t next_decile = 0;
  for (int64_t y = first; y < row_end; y += parameters.xyinc) {
    const int64_t decile = 10 * y / image.ny;
    if (decile == next_decile) {
      std::fprintf(stderr, "complete %d0%%\n", static_cast<int>(decile));
      next_decile = decile + 1;
    }
    for (int64_t x = first; x < column_end; x += parameters.xyinc) {
      visit(static_cast<int32_t>(x), static_cast<int32_t>(y));
    }
  }
}

}  // namespace photofilter
