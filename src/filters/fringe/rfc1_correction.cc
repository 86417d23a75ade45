// "-rfc1 factor,slimit,extent,xyinc": the first, simpler red-fringe
// correction. Around each grid centre whose green is near saturation,
// every pixel darker than slimit times the centre's level, and not bright
// itself, has its red averaged with the smallest red among its four
// diagonal neighbours when that is not above its own. `factor` is logged
// only.
#include <algorithm>
#include <cstdio>

#include "filters/fringe/fringe_commands.h"
#include "filters/fringe/fringe_grid.h"
#include "filters/fringe/quotient_below.h"
#include "image/sample.h"
#include "image/step_timer.h"
#include "image/window_statistics.h"

namespace photofilter {
namespace {

constexpr int32_t kLowestSum = 3 * INT16_MIN;
constexpr int32_t kHighestSum = 3 * INT16_MAX;

// (r + g + b) / 765 > 0.6 holds exactly from 459 on.
constexpr int32_t kBrightSum = 459;

// The smallest sum s with s / 765 >= limit in extended precision: pixels
// with a smaller sum are darker than the limit. Per centre this replaces a
// division per window pixel by one comparison.
int32_t first_sum_not_darker(long double limit) {
  if (!(limit == limit)) return kHighestSum + 1;  // nothing compares with NaN
  return first_where(kLowestSum, kHighestSum, truncate_to<int32_t>(limit * 765),
                     [&](int32_t s) { return static_cast<long double>(s) / 765 >= limit; });
}

void add_diagonal_neighbours(WindowStatistics &statistics, const Image &image, int32_t i,
                             int32_t j) {
  for (const Pixel *row : {image.row(j - 1), image.row(j + 1)}) {
    statistics.add(row[i - 1]);
    statistics.add(row[i + 1]);
  }
}

struct Rfc1Walk {
  Image &image;
  const FringeParameters &p;
  int64_t corrected = 0;
  // The last pixel whose neighbours' statistics were taken, -1 for none.
  int32_t last_i = -1, last_j = -1;

  void around(int32_t x, int32_t y) {
    const Pixel centre = image.at(x, y);
    if (p.slimit > static_cast<long double>(centre.g) / 255) return;
    const long double level = static_cast<long double>(int32_t{centre.r} + centre.g + centre.b) / 765;
    const int32_t darkness_end = first_sum_not_darker(p.slimit * level);
    for (int32_t j = y - p.extent; j <= y + p.extent; ++j) {
      const Pixel *above = image.row(j - 1);
      Pixel *row = image.row(j);
      const Pixel *below = image.row(j + 1);
      for (int32_t i = x - p.extent; i <= x + p.extent; ++i) {
        Pixel &q = row[i];
        const int32_t sum = int32_t{q.r} + q.g + q.b;
        if (sum >= darkness_end) continue;
        // Only r_min of the neighbours' statistics decides; the rest is
        // stored once for the last candidate (see finish).
        const int32_t r_min =
            std::min({WindowStatistics::kMinimumStart, int32_t{above[i - 1].r},
                      int32_t{above[i + 1].r}, int32_t{below[i - 1].r}, int32_t{below[i + 1].r}});
        last_i = i;
        last_j = j;
        if (r_min > q.r || sum >= kBrightSum) continue;
        q.r = static_cast<int16_t>((q.r + r_min) / 2);  // (r + r_min) * 0.5, truncated
        ++corrected;
      }
    }
  }

  // The image keeps the statistics of the last candidate's neighbours.
  // Nothing written after they were taken can have changed them: the only
  // later write is to the candidate itself, which is not its own neighbour.
  void finish() {
    if (last_i < 0) return;
    WindowStatistics statistics;
    add_diagonal_neighbours(statistics, image, last_i, last_j);
    statistics.store_into(image);
  }
};

}  // namespace

void rfc1_correction(const char *word, Image &image) {
  const FringeParameters p = scan_fringe_parameters(word, image);
  log_fringe_parameters("rfc1", p);
  Rfc1Walk walk{image, p};
  for_each_centre(image, p, [&](int32_t x, int32_t y) { walk.around(x, y); });
  walk.finish();
  const double pixels = static_cast<double>(image.pixel_count());
  const double share = pixels > 0 ? static_cast<double>(walk.corrected) / pixels * 100 : 0.0;
  std::fprintf(stderr, "corrected points %g cfak %g %% %g\n", static_cast<double>(walk.corrected),
               1.3, share);
  step_timer("rfc1 correction");
}

}  // namespace photofilter
