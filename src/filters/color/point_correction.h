// The colour point corrections: each command's plan (scan, log, the tables
// or factors its rule needs) apart from the transformation, so that an
// image still held as bytes can take the same plan, and the plain rule of
// each command for one sample, which its tables are made of.
#pragma once

#include "filters/color/channel_parameters.h"
#include "image/sample_table.h"
#include "image/image.h"
#include "image/sample.h"
#include "image/step_timer.h"

namespace photofilter {

// A per-sample correction: a table for each channel and its step label.
struct PointCorrection {
  ChannelTables tables;
  const char *step_label;
};

PointCorrection color_offset_plan(const char *word);    // "-co"
PointCorrection color_gain_plan(const char *word);      // "-cg"
PointCorrection color_contrast_plan(const char *word);  // "-cc"
PointCorrection color_gamma_plan(const char *word);     // "-g"

// The tables applied to every pixel, then the step line.
inline void apply_point_correction(const PointCorrection &correction, Image &image) {
  apply_channel_tables(image, correction.tables);
  step_timer(correction.step_label);
}

// The rules for one sample s. Offset and gain hold for every sample; the
// curves give the entry of s in 0..M (M the full scale), and samples
// outside 0..M pass unchanged.
int16_t offset_sample(int32_t s, double offset);              // "-co"
int16_t gained_sample(int32_t s, double gain);                // "-cg"
int64_t contrast_curve(int full_scale, double exponent, int32_t s);  // "-cc"
int32_t gamma_curve(int full_scale, double gamma, int32_t s);        // "-g"

// "-cs": the factors, and the rule applied to every pixel.
ChannelValues color_saturation_plan(const char *word);
void saturate_image(Image &image, const ChannelValues &f);
constexpr const char *kSaturationStep = "color saturation correction";

// The stored "-cs" value of a sample of a pixel whose samples sum to
// `sum`: t = trunc(m + factor * (sample - m)) with m = sum / 3 in extended
// precision, then trunc(t + 0.1), which moves a negative t one unit
// toward zero.
inline int16_t saturated_sample(int32_t sum, int32_t sample, double factor) {
  const long double m = static_cast<long double>(sum) / 3;
  const int32_t t = truncate_to<int32_t>(m + factor * (sample - m));
  return truncate_to_sample(t + 0.1);
}

// The rule on one pixel: every channel from the samples as they were.
inline void saturate_pixel(Pixel &p, const ChannelValues &f) {
  const int32_t sum = p.r + p.g + p.b;
  p.r = saturated_sample(sum, p.r, f.r);
  p.g = saturated_sample(sum, p.g, f.g);
  p.b = saturated_sample(sum, p.b, f.b);
}

}  // namespace photofilter
