// "-spr mode": removes single pixels that are brighter (l), darker (d) or
// either (b) than every pixel of the ring around them, or (x) pixels that
// are a local extreme between their left and right neighbour. Any other
// mode changes nothing.
#include "filters/noise/single_pixel_removal.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "filters/noise/noise_commands.h"
#include "filters/noise/noise_plans.h"
#include "filters/noise/pixel_removal_rows.h"
#include "image/parameter_scan.h"
#include "image/step_timer.h"

namespace photofilter {
namespace {

int32_t brightness(const Pixel &p) { return int32_t{p.r} + p.g + p.b; }

Pixel with_colour(const Pixel &p, int32_t r, int32_t g, int32_t b) {
  return {static_cast<int16_t>(r), static_cast<int16_t>(g), static_cast<int16_t>(b), p.aux};
}

}  // namespace

SinglePixelRemovalPlan plan_single_pixel_removal(const char *word) {
  SinglePixelRemovalPlan p;
  scan_parameters(word, "%c", &p.mode);
  std::fprintf(stderr, "single pixel removal %c \n", p.mode);
  p.light = p.mode == 'l' || p.mode == 'b';
  p.dark = p.mode == 'd' || p.mode == 'b';
  p.horizontal = p.mode == 'x';
  return p;
}

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

// The ring's extremes lie within 0..30000 or within the samples' range,
// so they fit a sample.
void remove_specks(Image &image, bool light, bool dark) {
  const Image input = image.scratch_copy();
  for (int32_t y = 0; y < input.ny; ++y) {
    for (int32_t x = 0; x < input.nx; ++x) {
      const Pixel &p = input.at(x, y);
      const WindowStatistics ring = ring_statistics(input, x, y);
      if (light && brightness(p) > ring.sum_max()) {
        image.at(x, y) = with_colour(p, ring.r_max(), ring.g_max(), ring.b_max());
      } else if (dark && brightness(p) < ring.sum_min()) {
        image.at(x, y) = with_colour(p, ring.r_min(), ring.g_min(), ring.b_min());
      }
    }
  }
}

void smooth_horizontal_extremes(Image &image) {
  for (int32_t y = 0; y < image.ny; ++y) {
    Pixel *row = image.row(y);
    const std::vector<Pixel> input(row, row + image.nx);
    for (int32_t x = 1; x + 1 < image.nx; ++x) {
      const Pixel &left = input[x - 1], &p = input[x], &right = input[x + 1];
      const int32_t s = brightness(p), s_left = brightness(left), s_right = brightness(right);
      if ((s_left < s && s_right < s) || (s < s_left && s < s_right)) {
        row[x] = with_colour(p, (left.r + right.r) / 2, (left.g + right.g) / 2,
                             (left.b + right.b) / 2);
      }
    }
  }
}

void single_pixel_removal(const char *word, Image &image) {
  const SinglePixelRemovalPlan p = plan_single_pixel_removal(word);
  if (p.horizontal) {
    smooth_horizontal_extremes_by_rows(image);
  } else if (p.light || p.dark) {
    remove_specks_by_rows(image, p.light, p.dark);
  }
  step_timer("single pixel removal done");
}

void check_single_pixel_removal(const char *word, ImageHeader &) {
  plan_single_pixel_removal(word);
}

}  // namespace photofilter
