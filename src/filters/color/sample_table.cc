#include "filters/color/sample_table.h"

#include "filters/color/point_correction.h"
#include "image/step_timer.h"


namespace photofilter {

SampleTable::SampleTable() : values_(UINT16_MAX + 1) {
  for (int32_t s = INT16_MIN; s <= INT16_MAX; ++s) set(s, static_cast<int16_t>(s));
}

void apply_channel_tables(Image &image, const ChannelTables &tables) {
  const int16_t *r = tables.r.centre();
  const int16_t *g = tables.g.centre();
  const int16_t *b = tables.b.centre();
  Pixel *pixels = image.pixels.get();
  const int64_t count = image.pixel_count();
  for (int64_t i = 0; i < count; ++i) {
    Pixel &p = pixels[i];
    p.r = r[p.r];
    p.g = g[p.g];
    p.b = b[p.b];
  }
}

void apply_point_correction(const PointCorrection &correction, Image &image) {
  apply_channel_tables(image, correction.tables);
  step_timer(correction.step_label);
}

}  // namespace photofilter
