#include "filters/color/saturation_tables.h"

namespace photofilter {

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

}  // namespace photofilter
