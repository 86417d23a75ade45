// "-cs f_r,f_g,f_b,n": every channel moves away from (factor above 1) or
// toward (below 1) the pixel's grey value m = (r + g + b) / 3:
// t = trunc(m + f * (s - m)) in extended precision, and a negative t is
// stored one unit nearer zero (the stored value is trunc(t + 0.1)).
#include <cstdio>

#include "filters/color/channel_parameters.h"
#include "filters/color/color_commands.h"
#include "filters/color/point_correction.h"
#include "filters/color/saturation_tables.h"
#include "image/multiversion.h"
#include "image/sample.h"
#include "image/step_timer.h"

namespace photofilter {
namespace {

void saturate_pixel(Pixel &p, const ChannelValues &f) {
  const int32_t sum = p.r + p.g + p.b;
  p.r = saturated_sample(sum, p.r, f.r);
  p.g = saturated_sample(sum, p.g, f.g);
  p.b = saturated_sample(sum, p.b, f.b);
}

PHOTOFILTER_MULTIVERSION void saturate_pixels(Pixel *pixels, int64_t count,
                                              const ChannelValues &f) {
  for (int64_t i = 0; i < count; ++i) saturate_pixel(pixels[i], f);
}

// Lookups for pixels in 0..255 and extended arithmetic for the rest.
void saturate_pixels_by_tables(Pixel *pixels, int64_t count, const ChannelValues &f) {
  const ChannelTablesInRange tables(f);
  for (int64_t i = 0; i < count; ++i) {
    Pixel &p = pixels[i];
    if (!in_byte_range(p)) {
      saturate_pixel(p, f);
      continue;
    }
    tables.apply(p.r, p.g, p.b, p.r, p.g, p.b);
  }
}

}  // namespace

void saturate_image(Image &image, const ChannelValues &f) {
  // The tables pay for themselves once the image has as many pixels as
  // they have entries.
  const bool tables_pay = image.pixel_count() >= InRangeTable::kEntries;
  if (tables_pay) {
    saturate_pixels_by_tables(image.pixels.get(), image.pixel_count(), f);
  } else {
    saturate_pixels(image.pixels.get(), image.pixel_count(), f);
  }
}

ChannelValues color_saturation_plan(const char *word) {
  const ChannelCurve p = scan_channel_curve(word);
  std::fprintf(stderr, "saturation %g,%g,%g,%d\n", p.values.r, p.values.g, p.values.b, p.n);
  return p.values;
}

void color_saturation_correction(const char *word, Image &image) {
  saturate_image(image, color_saturation_plan(word));
  step_timer(kSaturationStep);
}

}  // namespace photofilter
