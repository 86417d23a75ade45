// The colour point corrections split into their plan (scan, log, the
// tables or factors the rule needs) and the rule applied to an image, so
// that an image still held as bytes can take the same plan.
#pragma once

#include "filters/color/channel_parameters.h"
#include "filters/color/sample_table.h"
#include "image/image.h"

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
void apply_point_correction(const PointCorrection &correction, Image &image);

// "-cs": the factors, and the rule applied to every pixel.
ChannelValues color_saturation_plan(const char *word);
void saturate_image(Image &image, const ChannelValues &f);
constexpr const char *kSaturationStep = "color saturation correction";

}  // namespace photofilter
