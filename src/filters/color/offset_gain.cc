// "-co offset_r,offset_g,offset_b" and "-cg gain_r,gain_g,gain_b": every
// sample plus 255 times its channel's offset, or times its channel's gain,
// rounded half up by adding 0.5 and truncating. The sums are formed in
// extended precision, so the double offset -0.1 moves 100 to 74 (the
// product 255 * -0.1 lies a little below -25.5). The rule is tabulated
// once per channel and looked up for every sample.
#include <cstdio>

#include "filters/color/channel_parameters.h"
#include "filters/color/color_commands.h"
#include "filters/color/point_correction.h"
#include "image/sample_table.h"
#include "image/sample.h"

namespace photofilter {
namespace {

template <typename Rule>
ChannelTables tables_for(const ChannelValues &v, Rule rule) {
  return {SampleTable::of([&](int32_t s) { return rule(s, v.r); }),
          SampleTable::of([&](int32_t s) { return rule(s, v.g); }),
          SampleTable::of([&](int32_t s) { return rule(s, v.b); })};
}

}  // namespace

PointCorrection color_offset_plan(const char *word) {
  const ChannelValues offsets = scan_channel_values(word, 0.0);
  std::fprintf(stderr, "offsets %g,%g,%g\n", offsets.r, offsets.g, offsets.b);
  return {tables_for(offsets, offset_sample), "color offset correction"};
}

int16_t offset_sample(int32_t s, double offset) {
  return truncate_to_sample(s + 255.0L * offset + 0.5L);
}

void color_offset_correction(const char *word, Image &image) {
  apply_point_correction(color_offset_plan(word), image);
}

void check_color_offset_correction(const char *word, ImageHeader &) { color_offset_plan(word); }

PointCorrection color_gain_plan(const char *word) {
  const ChannelValues gains = scan_channel_values(word, 1.0);
  std::fprintf(stderr, "gains %g,%g,%g\n", gains.r, gains.g, gains.b);
  return {tables_for(gains, gained_sample), "color gain correction"};
}

int16_t gained_sample(int32_t s, double gain) {
  return truncate_to_sample(s * static_cast<long double>(gain) + 0.5L);
}

void color_gain_correction(const char *word, Image &image) {
  apply_point_correction(color_gain_plan(word), image);
}

void check_color_gain_correction(const char *word, ImageHeader &) { color_gain_plan(word); }

}  // namespace photofilter
