// "-spr mode": removes single pixels that are brighter (l), darker (d) or
// either (b) than every pixel of the ring around them, or (x) pixels that
// are a local extreme between their left and right neighbour. Decisions
// are taken on the input; results go to a new array.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "filters/noise/noise_commands.h"
#include "image/multiversion.h"
#include "image/step_timer.h"
#include "image/window_statistics.h"

namespace photofilter {
namespace {

int32_t brightness(const Pixel &p) { return int32_t{p.r} + p.g + p.b; }

void copy_row(const Pixel *from, Pixel *to, int32_t nx) {
  std::memcpy(to, from, static_cast<size_t>(nx) * sizeof(Pixel));
}

// The statistics of the outline of the 3x3 window around (x, y), clipped
// to the image: its top and bottom row, then its left and right column.
// On an image edge the outline passes through the pixel itself.
WindowStatistics ring_statistics(const Image &image, int32_t x, int32_t y) {
  const int32_t x0 = std::max(x - 1, 0), x1 = std::min(x + 1, image.nx - 1);
  const int32_t y0 = std::max(y - 1, 0), y1 = std::min(y + 1, image.ny - 1);
  WindowStatistics ring;
  for (int32_t i = x0; i <= x1; ++i) {
    ring.add(image.at(i, y0));
    ring.add(image.at(i, y1));
  }
  for (int32_t j = y0; j <= y1; ++j) {
    ring.add(image.at(x0, j));
    ring.add(image.at(x1, j));
  }
  return ring;
}

enum SpeckTest : uint8_t { kKeep = 0, kLight = 1, kDark = 2 };

void brightness_row(const Pixel *row, int32_t nx, int32_t *sums) {
  for (int32_t x = 0; x < nx; ++x) sums[x] = brightness(row[x]);
}

// Marks the interior pixels of a row that are brighter than the largest
// or darker than the smallest brightness of their eight neighbours, the
// largest counting as at least 0 and the smallest as at most 30000 (where
// the ring statistics start).
PHOTOFILTER_MULTIVERSION void mark_specks(const int32_t *above, const int32_t *here,
                                          const int32_t *below, int32_t nx, bool light,
                                          bool dark, uint8_t *marks) {
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
    marks[x] = brighter ? kLight : (darker ? kDark : kKeep);
  }
}

// The channel maxima (or minima) of the eight neighbours of x, with the
// same starting values as the ring statistics.
Pixel ring_extremes(const Pixel *above, const Pixel *here, const Pixel *below, int32_t x,
                    bool maxima) {
  const Pixel ring[8] = {above[x - 1], above[x], above[x + 1], here[x - 1],
                         here[x + 1],  below[x - 1], below[x], below[x + 1]};
  int32_t start = maxima ? WindowStatistics::kMaximumStart : WindowStatistics::kMinimumStart;
  int32_t r = start, g = start, b = start;
  for (const Pixel &p : ring) {
    r = maxima ? std::max<int32_t>(r, p.r) : std::min<int32_t>(r, p.r);
    g = maxima ? std::max<int32_t>(g, p.g) : std::min<int32_t>(g, p.g);
    b = maxima ? std::max<int32_t>(b, p.b) : std::min<int32_t>(b, p.b);
  }
  return Pixel{static_cast<int16_t>(r), static_cast<int16_t>(g), static_cast<int16_t>(b),
               here[x].aux};
}

// Modes l, d and b. Pixels on the image edge belong to their own ring and
// so never change; the interior pixels' rings are their eight neighbours.
void remove_specks(const Image &image, Pixel *result, bool light, bool dark) {
  const int32_t nx = image.nx, ny = image.ny;
  for (int32_t y = 0; y < ny; ++y) copy_row(image.row(y), result + int64_t{y} * nx, nx);
  if (nx < 3 || ny < 3) return;
  std::vector<int32_t> sums_above(nx), sums_here(nx), sums_below(nx);
  std::vector<uint8_t> marks(nx, kKeep);
  brightness_row(image.row(0), nx, sums_here.data());
  brightness_row(image.row(1), nx, sums_below.data());
  for (int32_t y = 1; y + 1 < ny; ++y) {
    std::swap(sums_above, sums_here);
    std::swap(sums_here, sums_below);
    brightness_row(image.row(y + 1), nx, sums_below.data());
    mark_specks(sums_above.data(), sums_here.data(), sums_below.data(), nx, light, dark,
                marks.data());
    Pixel *out = result + int64_t{y} * nx;
    for (int32_t x = 1; x + 1 < nx; ++x) {
      if (marks[x] == kKeep) continue;
      out[x] = ring_extremes(image.row(y - 1), image.row(y), image.row(y + 1), x,
                             marks[x] == kLight);
    }
  }
}

int16_t halfway(int16_t left, int16_t right) {
  return static_cast<int16_t>((int32_t{left} + right) / 2);
}

// Mode x: a pixel brighter or darker than both its left and right
// neighbour becomes their channel-wise mean. The first and last column
// keep their values.
PHOTOFILTER_MULTIVERSION void smooth_horizontal_extremes(const Image &image, Pixel *result) {
  const int32_t nx = image.nx;
  for (int32_t y = 0; y < image.ny; ++y) {
    const Pixel *row = image.row(y);
    Pixel *out = result + int64_t{y} * nx;
    copy_row(row, out, nx);
    for (int32_t x = 1; x + 1 < nx; ++x) {
      const int32_t left = brightness(row[x - 1]), s = brightness(row[x]);
      const int32_t right = brightness(row[x + 1]);
      if ((left < s && right < s) || (s < left && s < right)) {
        out[x].r = halfway(row[x - 1].r, row[x + 1].r);
        out[x].g = halfway(row[x - 1].g, row[x + 1].g);
        out[x].b = halfway(row[x - 1].b, row[x + 1].b);
      }
    }
  }
}

}  // namespace

void single_pixel_removal(const char *word, Image &image) {
  char mode = ' ';  // an empty word selects no mode
  std::sscanf(word, "%c", &mode);
  std::fprintf(stderr, "single pixel removal %c \n", mode);
  const bool light = mode == 'l' || mode == 'b';
  const bool dark = mode == 'd' || mode == 'b';
  // Every mode but x leaves the statistics of the last pixel's ring (on
  // the input) in the image, as if each pixel's ring had been stored in turn.
  if (mode != 'x' && image.nx > 0 && image.ny > 0) {
    ring_statistics(image, image.nx - 1, image.ny - 1).store_into(image);
  }
  if (mode != 'x' && !light && !dark) {
    step_timer("single pixel removal done");
    return;
  }
  PixelArray result = allocate_pixels(image.pixel_count(), "single pixel removal result");
  if (mode == 'x') {
    smooth_horizontal_extremes(image, result.get());
  } else {
    remove_specks(image, result.get(), light, dark);
  }
  image.replace_pixels(std::move(result), image.nx, image.ny);
  step_timer("single pixel removal done");
}

}  // namespace photofilter
