#include "image/sample_table.h"

#include "image/parallel.h"

namespace photofilter {

SampleTable::SampleTable() : values_(UINT16_MAX + 1) {
  for (int32_t s = INT16_MIN; s <= INT16_MAX; ++s) set(s, static_cast<int16_t>(s));
}

namespace {

void look_up(Pixel *pixels, int64_t count, const int16_t *r, const int16_t *g, const int16_t *b) {
  for (int64_t i = 0; i < count; ++i) {
    Pixel &p = pixels[i];
    p.r = r[p.r];
    p.g = g[p.g];
    p.b = b[p.b];
  }
}

}  // namespace

// Pixel by pixel, over the run's threads.
void apply_channel_tables(Image &image, const SampleTable &r_table, const SampleTable &g_table,
                          const SampleTable &b_table) {
  Pixel *pixels = image.pixels.get();
  split_pixels(image.pixel_count(), [&](int64_t begin, int64_t end) {
    look_up(pixels + begin, end - begin, r_table.centre(), g_table.centre(), b_table.centre());
  });
}

}  // namespace photofilter
