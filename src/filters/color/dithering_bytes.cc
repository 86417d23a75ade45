// "-cd" on an image still held as bytes. When the result is written next
// the moves go straight into the bytes, each sample saturated and then
// clamped as the writer clamps a Pixel: the phases come from the same
// samples (a byte widens to the same value), so the written bytes are
// those of the handler on the widened image. Otherwise the image is
// widened and the handler's walk applies.
#include "filters/color/color_commands.h"
#include "filters/color/dithering_rows.h"

namespace photofilter {

void color_dithering_bytes(const char *word, WorkingImage &image, bool written_next) {
  const int amplitude = color_dithering_plan(word);
  if (written_next) {
    dither_image(image.bytes(), amplitude);
  } else {
    dither_pixels(image.widened(), amplitude);
  }
}

}  // namespace photofilter
