// "-rfc1" a window row at a time, every pixel's tests as integer
// comparisons and its new red as a select, so the row loop runs without
// branches.
//
// Contract: correct_rfc1_by_rows equals correct_rfc1 for every image and
// parameters, pixels and count alike. Proof:
// - Centres, their order and the brightness test (first_bright_green) are
//   those of the plain rule; the darkness limit is the same product, and a
//   pixel is a candidate exactly when its sum is below
//   first_sum_not_darker of it.
// - Inside the grid the diagonal neighbours lie in the image, so r_min is
//   the smallest of their four reds and 30000, where the statistics start.
// - too_bright is sum >= kFirstTooBrightSum; mean_with_minimum_exactly
//   equals mean_with_minimum for r_min <= r.
// - A pixel's tests read the pixel itself and the rows above and below,
//   which its own row's corrections do not change: the pixels of a row do
//   not depend on each other, and working them out together gives what the
//   plain rule's left-to-right order gives.
#include "filters/fringe/rfc1_rows.h"

#include <algorithm>
#include <bit>

#include "filters/fringe/fringe_quotients.h"
#include "image/multiversion.h"
#include "image/window_statistics.h"

namespace photofilter {
namespace {

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

// Pixels first .. last of one window row; returns the corrections made.
PHOTOFILTER_MULTIVERSION int32_t correct_row(PixelWord *row, const PixelWord *above,
                                             const PixelWord *below, int32_t first,
                                             int32_t last, int32_t darkness_end) {
  int32_t corrected = 0;  // at most one per pixel of the row
  for (int32_t i = first; i <= last; ++i) {
    const uint64_t pixel = row[i];
    const int32_t r = red_of(pixel);
    const int32_t sum = sum_of(pixel);
    const int32_t r_min =
        std::min(std::min(std::min(WindowStatistics::kMinimumStart, red_of(above[i - 1])),
                          std::min(red_of(above[i + 1]), red_of(below[i - 1]))),
                 red_of(below[i + 1]));
    const int32_t corrects = (sum < darkness_end) & (r_min <= r) & (sum < kFirstTooBrightSum);
    const int32_t new_r = corrects ? mean_with_minimum_exactly(r, r_min) : r;
    row[i] = (pixel & ~uint64_t{0xffff}) | static_cast<uint16_t>(new_r);
    corrected += corrects;
  }
  return corrected;
}

PixelWord *words_of(Pixel *row) { return reinterpret_cast<PixelWord *>(row); }

}  // namespace

int64_t correct_rfc1_by_rows(Image &image, const FringeParameters &p) {
  const int32_t bright_green = first_bright_green(p.slimit);
  int64_t corrected = 0;
  for_each_centre(image, p, [&](int32_t x, int32_t y) {
    const Pixel centre = image.at(x, y);
    if (centre.g < bright_green) return;
    const long double level =
        static_cast<long double>(int32_t{centre.r} + centre.g + centre.b) / 765;
    const int32_t darkness_end = first_sum_not_darker(p.slimit * level);
    for (int32_t j = y - p.extent; j <= y + p.extent; ++j) {
      corrected += correct_row(words_of(image.row(j)), words_of(image.row(j - 1)),
                               words_of(image.row(j + 1)), x - p.extent, x + p.extent,
                               darkness_end);
    }
  });
  return corrected;
}

}  // namespace photofilter
