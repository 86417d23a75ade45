#include "filters/color/sample_table.h"

#include "image/multiversion.h"
#include "image/sample.h"

namespace photofilter {

SampleTable::SampleTable() : values_(UINT16_MAX + 1) {
  for (int32_t s = INT16_MIN; s <= INT16_MAX; ++s) set(s, static_cast<int16_t>(s));
}

namespace {

// The tables restricted to the bytes 0..255 of a packed image, or false
// when a result falls outside 0..255 and the image is not written next
// (where it would be clamped anyway).
bool byte_tables(const Image &image, const ChannelTables &tables, uint8_t (&bytes)[3][256]) {
  const SampleTable *channel[3] = {&tables.r, &tables.g, &tables.b};
  for (int c = 0; c < 3; ++c) {
    for (int v = 0; v < 256; ++v) {
      const int16_t value = (*channel[c])(static_cast<int16_t>(v));
      if ((value < 0 || value > 255) && !image.written_next) return false;
      bytes[c][v] = clamp_to_byte(value);
    }
  }
  return true;
}

PHOTOFILTER_MULTIVERSION void apply_byte_tables(uint8_t *bytes, int64_t pixels,
                                                const uint8_t (&tables)[3][256]) {
  for (int64_t i = 0; i < pixels; ++i, bytes += 3) {
    bytes[0] = tables[0][bytes[0]];
    bytes[1] = tables[1][bytes[1]];
    bytes[2] = tables[2][bytes[2]];
  }
}

}  // namespace

void apply_channel_tables(Image &image, const ChannelTables &tables) {
  if (image.packed) {
    uint8_t bytes[3][256];
    if (byte_tables(image, tables, bytes)) {
      apply_byte_tables(image.packed_bytes(), image.pixel_count(), bytes);
      return;
    }
    image.unpack_pixels();
  }
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

}  // namespace photofilter
