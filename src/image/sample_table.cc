#include "image/sample_table.h"

namespace photofilter {

SampleTable::SampleTable() : values_(UINT16_MAX + 1) {
  for (int32_t s = INT16_MIN; s <= INT16_MAX; ++s) set(s, static_cast<int16_t>(s));
}

void apply_channel_tables(Image &image, const SampleTable &r_table, const SampleTable &g_table,
                          const SampleTable &b_table) {
  const int16_t *r = r_table.centre();
  const int16_t *g = g_table.centre();
  const int16_t *b = b_table.centre();
  Pixel *pixels = image.pixels.get();
  const int64_t count = image.pixel_count();
  for (int64_t i = 0; i < count; ++i) {
    Pixel &p = pixels[i];
    p.r = r[p.r];
    p.g = g[p.g];
    p.b = b[p.b];
  }
}

}  // namespace photofilter
