// "-cs f_r,f_g,f_b,n": every channel moves away from (factor above 1) or
// toward (below 1) the pixel's grey value m = (r + g + b) / 3:
// t = trunc(m + f * (s - m)) in extended precision, and a negative t is
// stored one unit nearer zero (the stored value is trunc(t + 0.1)). n is
// only logged. The rule for one pixel is saturate_pixel; photo-sized
// images take it from tables (saturation_tables.h).
#include <cstdio>

#include "filters/color/channel_parameters.h"
#include "filters/color/color_commands.h"
#include "filters/color/point_correction.h"
#include "filters/color/saturation_tables.h"
#include "image/multiversion.h"
#include "image/parallel.h"
#include "image/step_timer.h"

namespace photofilter {
namespace {

PHOTOFILTER_MULTIVERSION void saturate_pixels(Pixel *pixels, int64_t count,
                                              const ChannelValues &f) {
  for (int64_t i = 0; i < count; ++i) saturate_pixel(pixels[i], f);
}

}  // namespace

ChannelValues color_saturation_plan(const char *word) {
  const ChannelCurve p = scan_channel_curve(word);
  std::fprintf(stderr, "saturation %g,%g,%g,%d\n", p.values.r, p.values.g, p.values.b, p.n);
  return p.values;
}

// Pixel by pixel, over the run's threads; the tables are made once.
void saturate_image(Image &image, const ChannelValues &f) {
  Pixel *pixels = image.pixels.get();
  if (saturation_tables_pay(image.pixel_count())) {
    const ChannelTablesInRange tables(f);
    split_pixels(image.pixel_count(), [&](int64_t begin, int64_t end) {
      saturate_pixels_by_tables(pixels + begin, end - begin, f, tables);
    });
  } else {
    split_pixels(image.pixel_count(), [&](int64_t begin, int64_t end) {
      saturate_pixels(pixels + begin, end - begin, f);
    });
  }
}

void color_saturation_correction(const char *word, Image &image) {
  saturate_image(image, color_saturation_plan(word));
  step_timer(kSaturationStep);
}

void check_color_saturation_correction(const char *word, ImageHeader &) {
  color_saturation_plan(word);
}

}  // namespace photofilter
