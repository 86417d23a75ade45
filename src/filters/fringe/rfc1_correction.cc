// "-rfc1 factor,slimit,extent,xyinc": the first, simpler red-fringe
// correction. Around each grid centre whose green is near saturation,
// every pixel darker than slimit times the centre's level, and not bright
// itself, has its red averaged with the smallest red among its four
// diagonal neighbours when that is not above its own. `factor` is logged
// only.
#include <algorithm>
#include <bit>
#include <cstdio>

#include "filters/fringe/fringe_commands.h"
#include "filters/fringe/fringe_grid.h"
#include "filters/fringe/quotient_below.h"
#include "image/multiversion.h"
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

struct RowOutcome {
  int64_t corrected = 0;
  bool any_candidate = false;
};

// Samples of a pixel seen as one 64-bit word (r in the low 16 bits), so
// that a row is worked on in 64-bit lanes without shuffling samples.
int32_t red_of(uint64_t word) { return static_cast<int16_t>(word); }
int32_t sum_of(uint64_t word) {
  return int32_t{static_cast<int16_t>(word)} + static_cast<int16_t>(word >> 16) +
         static_cast<int16_t>(word >> 32);
}
// A pixel array read and written as such words; may_alias keeps this
// within the aliasing rules.
using PixelWord = uint64_t __attribute__((may_alias));
static_assert(sizeof(PixelWord) == sizeof(Pixel) && std::endian::native == std::endian::little);

// One row of a window. A pixel is a candidate when its sum is below
// `darkness_end`; a candidate whose red is not below r_min (the smallest red
// of its four diagonal neighbours, and at most 30000 as the statistics
// start there) and whose sum is below 459 gets red (r + r_min) * 0.5,
// truncated. The tests read only the pixel itself and the rows above and
// below, which this row does not change, so the pixels of a row do not
// depend on each other and the loop runs without branches.
PHOTOFILTER_MULTIVERSION RowOutcome correct_row(PixelWord *row, const PixelWord *above,
                                                const PixelWord *below, int32_t first, int32_t last,
                                                int32_t darkness_end) {
  int32_t corrected = 0;  // at most one per pixel of the row
  int32_t candidates = 0;
  for (int32_t i = first; i <= last; ++i) {
    const uint64_t pixel = row[i];
    const int32_t r = red_of(pixel);
    const int32_t sum = sum_of(pixel);
    const int32_t r_min =
        std::min(std::min(std::min(WindowStatistics::kMinimumStart, red_of(above[i - 1])),
                          std::min(red_of(above[i + 1]), red_of(below[i - 1]))),
                 red_of(below[i + 1]));
    const int32_t candidate = sum < darkness_end;
    const int32_t corrects = candidate & (r_min <= r) & (sum < kBrightSum);
    const int32_t new_r = corrects ? (r + r_min) / 2 : r;
    row[i] = (pixel & ~uint64_t{0xffff}) | static_cast<uint16_t>(new_r);
    corrected += corrects;
    candidates |= candidate;
  }
  return {corrected, candidates != 0};
}

struct Rfc1Walk {
  Image &image;
  const FringeParameters &p;
  int32_t bright_green = 0;
  int64_t corrected = 0;
  // The last candidate visited, whose neighbours' statistics the image
  // keeps; -1 for none yet.
  int32_t last_i = -1, last_j = -1;

  void around(int32_t x, int32_t y) {
    const Pixel centre = image.at(x, y);
    if (centre.g < bright_green) return;
    const long double level =
        static_cast<long double>(int32_t{centre.r} + centre.g + centre.b) / 765;
    const int32_t darkness_end = first_sum_not_darker(p.slimit * level);
    const int32_t first = x - p.extent, last = x + p.extent;
    for (int32_t j = y - p.extent; j <= y + p.extent; ++j) {
      Pixel *row = image.row(j);
      const RowOutcome outcome = correct_row(
          reinterpret_cast<PixelWord *>(row), reinterpret_cast<const PixelWord *>(image.row(j - 1)),
          reinterpret_cast<const PixelWord *>(image.row(j + 1)), first, last, darkness_end);
      corrected += outcome.corrected;
      if (!outcome.any_candidate) continue;
      // Corrections lower a candidate's sum and leave the others alone, so
      // the candidates are the same after the row as before it.
      int32_t i = last;
      while (int32_t{row[i].r} + row[i].g + row[i].b >= darkness_end) --i;
      last_i = i;
      last_j = j;
    }
  }

  // Stores the statistics of the last candidate's four diagonal
  // neighbours, as gathered when it was visited: the only later write is to
  // the candidate itself, which is not its own neighbour.
  void finish() {
    if (last_i < 0) return;
    WindowStatistics statistics;
    for (const int32_t j : {last_j - 1, last_j + 1}) {
      statistics.add(image.at(last_i - 1, j));
      statistics.add(image.at(last_i + 1, j));
    }
    statistics.store_into(image);
  }
};

}  // namespace

void rfc1_correction(const char *word, Image &image) {
  const FringeParameters p = scan_fringe_parameters(word, image);
  log_fringe_parameters("rfc1", p);
  Rfc1Walk walk{image, p, first_bright_green(p.slimit)};
  for_each_centre(image, p, [&](int32_t x, int32_t y) { walk.around(x, y); });
  walk.finish();
  const double pixels = static_cast<double>(image.pixel_count());
  const double share = pixels > 0 ? static_cast<double>(walk.corrected) / pixels * 100 : 0.0;
  std::fprintf(stderr, "corrected points %g cfak %g %% %g\n", static_cast<double>(walk.corrected),
               1.3, share);
  step_timer("rfc1 correction");
}

}  // namespace photofilter
