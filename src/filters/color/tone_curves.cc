// "-cc v_r,v_g,v_b,n" and "-g gamma_r,gamma_g,gamma_b,n": tone curves over
// the samples 0..M (M = n, 0 standing for 255); samples outside 0..M pass
// unchanged. Contrast bends the lower half of the range by a power and
// mirrors it onto the upper half; gamma maps s to M * (s/M)^(1/gamma).
// Each curve is tabulated once per channel and looked up for every sample.
#include <cmath>
#include <cstdio>

#include "filters/color/channel_parameters.h"
#include "filters/color/color_commands.h"
#include "filters/color/point_correction.h"
#include "image/sample_table.h"
#include "image/sample.h"

namespace photofilter {
namespace {

// The tables of one curve for the three channels' values.
template <auto curve>
ChannelTables curve_tables(int full_scale, const ChannelValues &v) {
  const auto table = [full_scale](double value) {
    return SampleTable::on_full_scale(full_scale,
                                      [&](int32_t s) { return curve(full_scale, value, s); });
  };
  return {table(v.r), table(v.g), table(v.b)};
}

}  // namespace

PointCorrection color_contrast_plan(const char *word) {
  const ChannelCurve p = scan_channel_curve(word);
  std::fprintf(stderr, "contrast %g,%g,%g,%d\n", p.values.r, p.values.g, p.values.b, p.n);
  return {curve_tables<contrast_curve>(full_scale(p.n), p.values), "color contrast correction"};
}

namespace {

// The lower half of the contrast curve: trunc(x^v * h + 0.9) with x = 2s/M
// (s/M in extended precision, doubled, then a double) and h = M/2.
int32_t lower_contrast(int full_scale, double exponent, int32_t s) {
  const double x = static_cast<double>(2 * (static_cast<long double>(s) / full_scale));
  const int32_t h = full_scale / 2;
  return truncate_to<int32_t>(std::pow(x, exponent) * static_cast<long double>(h) + 0.9L);
}

}  // namespace

// Entries 0..h follow the lower half, and entry M - s is M minus entry s.
// For an even M the middle entry h is its own mirror and ends as
// M - lower(h).
int64_t contrast_curve(int full_scale, double exponent, int32_t s) {
  const int32_t h = full_scale / 2;
  if (s < h || (s == h && full_scale % 2 != 0)) return lower_contrast(full_scale, exponent, s);
  return int64_t{full_scale} - lower_contrast(full_scale, exponent, full_scale - s);
}

void color_contrast_correction(const char *word, Image &image) {
  apply_point_correction(color_contrast_plan(word), image);
}

void check_color_contrast_correction(const char *word, ImageHeader &) {
  color_contrast_plan(word);
}

PointCorrection color_gamma_plan(const char *word) {
  const ChannelCurve p = scan_channel_curve(word);
  std::fprintf(stderr, "gamma %g,%g,%g,%d\n", p.values.r, p.values.g, p.values.b, p.n);
  return {curve_tables<gamma_curve>(full_scale(p.n), p.values), "color gamma correction"};
}

// trunc((s/M)^(1/gamma) * M + 0.1), s/M a double, the product and the sum
// in extended precision.
int32_t gamma_curve(int full_scale, double gamma, int32_t s) {
  const double x = static_cast<double>(s) / full_scale;
  return truncate_to<int32_t>(std::pow(x, 1 / gamma) * static_cast<long double>(full_scale) +
                              0.1L);
}

void color_gamma_correction(const char *word, Image &image) {
  apply_point_correction(color_gamma_plan(word), image);
}

void check_color_gamma_correction(const char *word, ImageHeader &) { color_gamma_plan(word); }

}  // namespace photofilter
