// Single pixel removal on flat runs of samples, a row at a time, with
// lane-wise extremes and selects instead of a ring scan per pixel.
//
// Contract: remove_specks_by_rows equals remove_specks, and
// smooth_horizontal_extremes_by_rows equals smooth_horizontal_extremes,
// for every image. Proof:
// - A pixel on the image edge belongs to its own ring, so neither strict
//   comparison can hold for it and remove_specks keeps it; here edge
//   pixels are never written, and an image narrower or lower than 3 pixels
//   has no other pixel. An interior pixel's ring is its eight neighbours,
//   each met once or twice, which changes no extreme.
// - The ring's largest and smallest brightness are the extremes of the
//   neighbours' 32-bit sums, with 0 and 30000 folded in as the statistics
//   start there; each channel's extremes are those of the neighbours'
//   16-bit samples with the same start values, which are samples too.
// - Row y is rewritten once row y+1 has been copied, so the copies of rows
//   y-1, y and y+1 (and their sums) hold the input that every decision of
//   row y reads. A band of rows takes the rows just outside it from copies
//   made before any band wrote, so it reads the same input in any order. In mode x a row is decided on a copy of itself, and its
//   first and last pixel are not stored back.
// - A pixel keeps aux; an unmarked one keeps all four samples.
#include "filters/noise/pixel_removal_rows.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "image/multiversion.h"
#include "image/parallel.h"
#include "image/window_statistics.h"

namespace photofilter {
namespace {

int32_t brightness(const Pixel &p) { return int32_t{p.r} + p.g + p.b; }

// What happens to a pixel, repeated in the bytes of its r, g and b lanes
// (the aux lane is always kept), so that the replacement is a lane-wise
// select over flat runs of samples.
enum SpeckTest : uint8_t { kKeep = 0, kLight = 1, kDark = 2 };
// (Byte order: the r lane comes first in memory.)
static_assert(std::endian::native == std::endian::little);
constexpr uint32_t kColourSampleBytes = 0x010101;

constexpr int16_t kMaximumStart = WindowStatistics::kMaximumStart;
constexpr int16_t kMinimumStart = WindowStatistics::kMinimumStart;

void brightness_row(const Pixel *row, int32_t nx, int32_t *sums) {
  for (int32_t x = 0; x < nx; ++x) sums[x] = brightness(row[x]);
}

// Marks the interior pixels of a row that are brighter than the largest
// or darker than the smallest brightness of their eight neighbours, the
// largest counting as at least 0 and the smallest as at most 30000 (where
// the ring statistics start).
PHOTOFILTER_MULTIVERSION void mark_specks(const int32_t *above, const int32_t *here,
                                          const int32_t *below, int32_t nx, bool light,
                                          bool dark, uint32_t *marks) {
  for (int32_t x = 1; x + 1 < nx; ++x) {
    const int32_t top_max = std::max(std::max(above[x - 1], above[x]), above[x + 1]);
    const int32_t bottom_max = std::max(std::max(below[x - 1], below[x]), below[x + 1]);
    const int32_t top_min = std::min(std::min(above[x - 1], above[x]), above[x + 1]);
    const int32_t bottom_min = std::min(std::min(below[x - 1], below[x]), below[x + 1]);
    const int32_t ring_max = std::max({top_max, bottom_max, here[x - 1], here[x + 1],
                                       WindowStatistics::kMaximumStart});
    const int32_t ring_min = std::min({top_min, bottom_min, here[x - 1], here[x + 1],
                                       WindowStatistics::kMinimumStart});
    const bool brighter = light && here[x] > ring_max;
    const bool darker = dark && here[x] < ring_min;
    const uint32_t mark = brighter ? kLight : (darker ? kDark : kKeep);
    marks[x] = mark * kColourSampleBytes;
  }
}

// A row as a flat run of samples, r, g, b and aux of each pixel in turn:
// the channel extremes of eight neighbours are then lane-wise extremes of
// runs shifted by one pixel.
using SampleRow = std::vector<int16_t>;

void load_samples(const Pixel *row, int32_t nx, SampleRow &samples) {
  std::memcpy(samples.data(), row, static_cast<size_t>(nx) * sizeof(Pixel));
}

void store_samples(const SampleRow &samples, int32_t nx, Pixel *row) {
  std::memcpy(row, samples.data(), static_cast<size_t>(nx) * sizeof(Pixel));
}

// Per interior pixel and lane, the largest and smallest sample of its
// eight neighbours, starting from the ring statistics' start values.
PHOTOFILTER_MULTIVERSION void ring_extremes(const int16_t *above, const int16_t *here,
                                            const int16_t *below, int64_t count,
                                            int16_t *maxima, int16_t *minima) {
  constexpr int64_t px = kSamplesPerPixel;  // one pixel along the run
  for (int64_t i = px; i + px < count; ++i) {
    const int16_t top_max = std::max({above[i - px], above[i], above[i + px]});
    const int16_t bottom_max = std::max({below[i - px], below[i], below[i + px]});
    const int16_t top_min = std::min({above[i - px], above[i], above[i + px]});
    const int16_t bottom_min = std::min({below[i - px], below[i], below[i + px]});
    maxima[i] = std::max({top_max, bottom_max, here[i - px], here[i + px], kMaximumStart});
    minima[i] = std::min({top_min, bottom_min, here[i - px], here[i + px], kMinimumStart});
  }
}

// A marked pixel takes the channel maxima (light) or minima (dark) of its
// ring; aux and unmarked pixels stay.
PHOTOFILTER_MULTIVERSION void replace_specks(const int16_t *here, const uint8_t *lane_marks,
                                             const int16_t *maxima, const int16_t *minima,
                                             int64_t count, int16_t *out) {
  for (int64_t i = 0; i < count; ++i) {
    const uint8_t mark = lane_marks[i];
    const int16_t high = maxima[i], low = minima[i], own = here[i];
    out[i] = mark == kLight ? high : (mark == kDark ? low : own);
  }
}

// Marks the interior pixels of a row that are brighter or darker than both
// their left and right neighbour.
PHOTOFILTER_MULTIVERSION void mark_horizontal_extremes(const int32_t *sums, int32_t nx,
                                                       uint32_t *marks) {
  for (int32_t x = 1; x + 1 < nx; ++x) {
    const int32_t left = sums[x - 1], s = sums[x], right = sums[x + 1];
    const bool extreme = (left < s && right < s) || (s < left && s < right);
    marks[x] = static_cast<uint32_t>(extreme) * kColourSampleBytes;
  }
}

// A marked pixel's r, g and b become the mean of its left and right
// neighbour's, truncated towards zero; aux and unmarked pixels stay.
PHOTOFILTER_MULTIVERSION void average_marked(const int16_t *here, const uint8_t *lane_marks,
                                             int64_t count, int16_t *out) {
  constexpr int64_t px = kSamplesPerPixel;  // one pixel along the run
  for (int64_t i = px; i + px < count; ++i) {
    const int32_t sum = int32_t{here[i - px]} + here[i + px];
    const int32_t mean = sum / 2;
    // A bit-wise select, so that the loop runs on whole vectors.
    const int32_t take_mean = -int32_t{lane_marks[i]};
    out[i] = static_cast<int16_t>((mean & take_mean) | (int32_t{here[i]} & ~take_mean));
  }
}

// Rows y0 .. y1 - 1 of an image at least 3 wide, each from a copy of
// itself.
void smooth_horizontal_extremes_in(Image &image, int32_t y0, int32_t y1) {
  const int32_t nx = image.nx;
  const int64_t count = int64_t{kSamplesPerPixel} * nx;
  std::vector<int32_t> sums(nx);
  SampleRow here(count), out(count);
  std::vector<uint32_t> marks(nx, kKeep);
  for (int32_t y = y0; y < y1; ++y) {
    Pixel *row = image.row(y);
    brightness_row(row, nx, sums.data());
    load_samples(row, nx, here);
    mark_horizontal_extremes(sums.data(), nx, marks.data());
    average_marked(here.data(), reinterpret_cast<const uint8_t *>(marks.data()), count,
                   out.data());
    // Only the interior pixels are stored back: the first and last stay.
    std::memcpy(row + 1, out.data() + kSamplesPerPixel,
                static_cast<size_t>(nx - 2) * sizeof(Pixel));
  }
}

// A band of rows first .. end - 1, with the rows just outside it as they
// were before any band wrote (empty where the band meets the image's edge).
struct SpeckBand {
  int32_t first = 0;
  int32_t end = 0;
  std::vector<Pixel> row_before;  // row first - 1
  std::vector<Pixel> row_after;   // row end
};

// Row k of the input as the band reads it: its own rows are read before
// they are written, and the edge rows are never written.
const Pixel *input_row(const Image &image, const SpeckBand &band, int32_t k) {
  if (k == band.first - 1 && !band.row_before.empty()) return band.row_before.data();
  if (k == band.end && !band.row_after.empty()) return band.row_after.data();
  return image.row(k);
}

// The band's rows that lie within 1 .. ny-2 in turn, each from the copies
// of itself and its two neighbours.
void remove_specks_in(Image &image, bool light, bool dark, const SpeckBand &band) {
  const int32_t nx = image.nx, ny = image.ny;
  const int32_t first = std::max(band.first, 1), end = std::min(band.end, ny - 1);
  if (first >= end) return;
  const int64_t count = int64_t{kSamplesPerPixel} * nx;
  std::vector<int32_t> sums_above(nx), sums_here(nx), sums_below(nx);
  SampleRow above(count), here(count), below(count), maxima(count), minima(count), out(count);
  std::vector<uint32_t> marks(nx, kKeep);
  brightness_row(input_row(image, band, first - 1), nx, sums_here.data());
  brightness_row(input_row(image, band, first), nx, sums_below.data());
  load_samples(input_row(image, band, first - 1), nx, here);
  load_samples(input_row(image, band, first), nx, below);
  for (int32_t y = first; y < end; ++y) {
    std::swap(sums_above, sums_here);
    std::swap(sums_here, sums_below);
    std::swap(above, here);
    std::swap(here, below);
    brightness_row(input_row(image, band, y + 1), nx, sums_below.data());
    load_samples(input_row(image, band, y + 1), nx, below);
    mark_specks(sums_above.data(), sums_here.data(), sums_below.data(), nx, light, dark,
                marks.data());
    ring_extremes(above.data(), here.data(), below.data(), count, maxima.data(),
                  minima.data());
    replace_specks(here.data(), reinterpret_cast<const uint8_t *>(marks.data()), maxima.data(),
                   minima.data(), count, out.data());
    store_samples(out, nx, image.row(y));
  }
}

}  // namespace

// Every decision reads the input rows around it only, so the rows go over
// the run's threads in bands: each band first keeps the rows just outside
// it, which its neighbours rewrite, and then walks its own rows.
void remove_specks_by_rows(Image &image, bool light, bool dark) {
  const int32_t nx = image.nx, ny = image.ny;
  if (nx < 3 || ny < 3) return;
  const int64_t smallest_rows = std::max<int64_t>(1, kSmallestPixelPart / nx);
  const auto bands =
      static_cast<int32_t>(std::clamp<int64_t>(ny / smallest_rows, 1, run_threads()));
  std::vector<SpeckBand> parts(static_cast<size_t>(bands));
  for (int32_t k = 0; k < bands; ++k) {
    SpeckBand &band = parts[static_cast<size_t>(k)];
    band.first = static_cast<int32_t>(int64_t{ny} * k / bands);
    band.end = static_cast<int32_t>(int64_t{ny} * (k + 1) / bands);
    auto keep = [&](int32_t y, std::vector<Pixel> &row) {
      row.assign(image.row(y), image.row(y) + nx);
    };
    if (k > 0) keep(band.first - 1, band.row_before);
    if (k + 1 < bands) keep(band.end, band.row_after);
  }
  split_work(bands, 1, [&](int64_t begin, int64_t end) {
    for (int64_t k = begin; k < end; ++k) {
      remove_specks_in(image, light, dark, parts[static_cast<size_t>(k)]);
    }
  });
}

// Each row from a copy of itself, so the rows go over the run's threads in
// bands, each band with copies of its own.
void smooth_horizontal_extremes_by_rows(Image &image) {
  const int32_t nx = image.nx;
  if (nx < 3) return;
  split_rows(image, [&](int32_t y0, int32_t y1) { smooth_horizontal_extremes_in(image, y0, y1); });
}

}  // namespace photofilter
