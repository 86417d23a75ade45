// The colour corrections on an image still held as bytes. Each takes the
// same plan as its handler; the image stays bytes where every result of
// a byte is a byte again, or where the image is written next and its
// results are clamped to bytes then anyway. Otherwise it is widened and
// the handler's rule applies.
#include "filters/color/color_commands.h"
#include "filters/color/point_correction.h"
#include "filters/color/sample_table_bytes.h"
#include "filters/color/saturation_tables.h"
#include "image/byte_image.h"
#include "image/parallel.h"
#include "image/sample.h"
#include "image/step_timer.h"

namespace photofilter {
namespace {

template <PointCorrection (*plan)(const char *)>
void point_correction_on_bytes(const char *word, WorkingImage &image, bool written_next) {
  const PointCorrection correction = plan(word);
  apply_channel_tables(image, correction.tables, written_next);
  step_timer(correction.step_label);
}

// Saturation of a byte image by the in-range tables, when the results can
// be bytes; returns false, leaving the image as it was, when it must be
// widened instead. Contract: the bytes written are those that
// saturate_image(widen(image), f) gives, clamped to 0..255 (a clamp that
// changes nothing where every result is a byte). Proof: every sample of a
// byte image lies in 0..255, so each pixel takes its results from the
// in-range tables, which equal saturated_sample (saturation_tables.h).
bool saturate_bytes(ByteImage &image, const ChannelValues &f, bool written_next) {
  const ChannelTablesInRange tables(f);
  if (!written_next && !tables.results_are_bytes()) return false;
  // Pixel by pixel, over the run's threads.
  split_pixels(image.pixel_count(), [&](int64_t begin, int64_t end) {
    uint8_t *bytes = image.bytes() + 3 * begin;
    for (int64_t i = begin; i < end; ++i, bytes += 3) {
      int16_t r, g, b;
      tables.apply(bytes[0], bytes[1], bytes[2], r, g, b);
      bytes[0] = clamp_to_byte(r);
      bytes[1] = clamp_to_byte(g);
      bytes[2] = clamp_to_byte(b);
    }
  });
  return true;
}

}  // namespace

void color_offset_correction_bytes(const char *word, WorkingImage &image, bool written_next) {
  point_correction_on_bytes<color_offset_plan>(word, image, written_next);
}

void color_gain_correction_bytes(const char *word, WorkingImage &image, bool written_next) {
  point_correction_on_bytes<color_gain_plan>(word, image, written_next);
}

void color_contrast_correction_bytes(const char *word, WorkingImage &image, bool written_next) {
  point_correction_on_bytes<color_contrast_plan>(word, image, written_next);
}

void color_gamma_correction_bytes(const char *word, WorkingImage &image, bool written_next) {
  point_correction_on_bytes<color_gamma_plan>(word, image, written_next);
}

void color_saturation_correction_bytes(const char *word, WorkingImage &image,
                                       bool written_next) {
  const ChannelValues f = color_saturation_plan(word);
  if (!saturation_tables_pay(image.bytes().pixel_count()) ||
      !saturate_bytes(image.bytes(), f, written_next)) {
    saturate_image(image.widened(), f);
  }
  step_timer(kSaturationStep);
}

}  // namespace photofilter
