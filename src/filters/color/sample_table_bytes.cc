// Channel tables applied to an image still held as bytes: a byte's entry
// is the same table entry, so the image can stay bytes wherever the tables
// keep 0..255 in 0..255, or where it is written next and every result is
// clamped to a byte anyway.
#include "filters/color/sample_table_bytes.h"

#include "image/multiversion.h"
#include "image/parallel.h"
#include "image/sample.h"

namespace photofilter {
namespace {

// The tables restricted to the bytes 0..255, or false when a result falls
// outside 0..255 and would not be clamped right away.
bool byte_tables(const ChannelTables &tables, bool written_next, uint8_t (&bytes)[3][256]) {
  const SampleTable *channel[3] = {&tables.r, &tables.g, &tables.b};
  for (int c = 0; c < 3; ++c) {
    for (int v = 0; v < 256; ++v) {
      const int16_t value = (*channel[c])(static_cast<int16_t>(v));
      if ((value < 0 || value > 255) && !written_next) return false;
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

void apply_channel_tables(WorkingImage &image, const ChannelTables &tables, bool written_next) {
  uint8_t bytes[3][256];
  if (byte_tables(tables, written_next, bytes)) {
    uint8_t *samples = image.bytes().bytes();
    // Pixel by pixel, over the run's threads.
    split_pixels(image.bytes().pixel_count(), [&](int64_t begin, int64_t end) {
      apply_byte_tables(samples + 3 * begin, end - begin, bytes);
    });
  } else {
    apply_channel_tables(image.widened(), tables);
  }
}

}  // namespace photofilter
