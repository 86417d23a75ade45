// "-cc v_r,v_g,v_b,n" and "-g gamma_r,gamma_g,gamma_b,n": tone curves over
// the samples 0..M (M = n, 0 standing for 255); samples outside 0..M pass
// unchanged. Contrast bends the lower half of the range by a power and
// mirrors it onto the upper half; gamma maps s to M * (s/M)^(1/gamma).
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "filters/color/channel_parameters.h"
#include "filters/color/color_commands.h"
#include "filters/color/point_correction.h"
#include "filters/color/sample_table.h"
#include "image/sample.h"

namespace photofilter {
namespace {

// A table that is the identity outside 0..M and `curve(i)` inside. Only
// samples up to 32767 exist, so a larger M needs no more entries.
template <typename Curve>
SampleTable curve_table(int full_scale, Curve curve) {
  SampleTable table;
  const int32_t last = std::min<int32_t>(full_scale, INT16_MAX);
  for (int32_t i = 0; i <= last; ++i) table.set(i, saturate_sample(curve(i)));
  return table;
}

// Contrast: the lower half 0..h (h = M/2) follows trunc(x^v * h + 0.9)
// with x = 2i/M, and entry M - i is M minus entry i. For an even M the
// middle entry h is its own mirror and ends as M - lower(h).
class ContrastCurve {
 public:
  ContrastCurve(int full_scale, double exponent)
      : m_(full_scale), h_(full_scale / 2), exponent_(exponent) {}

  int64_t operator()(int32_t i) const {
    if (i < h_ || (i == h_ && m_ % 2 != 0)) return lower(i);
    return int64_t{m_} - lower(m_ - i);
  }

 private:
  int32_t lower(int32_t i) const {
    const double x = static_cast<double>(2 * (static_cast<long double>(i) / m_));
    return truncate_to<int32_t>(std::pow(x, exponent_) * static_cast<long double>(h_) + 0.9L);
  }

  int32_t m_;
  int32_t h_;
  double exponent_;
};

// Gamma: trunc((i/M)^(1/gamma) * M + 0.1).
class GammaCurve {
 public:
  GammaCurve(int full_scale, double gamma) : m_(full_scale), exponent_(1 / gamma) {}

  int32_t operator()(int32_t i) const {
    const double x = static_cast<double>(i) / m_;
    return truncate_to<int32_t>(std::pow(x, exponent_) * static_cast<long double>(m_) + 0.1L);
  }

 private:
  int32_t m_;
  double exponent_;
};

template <typename Curve>
ChannelTables curve_tables(int full_scale, const ChannelValues &v) {
  return {curve_table(full_scale, Curve(full_scale, v.r)),
          curve_table(full_scale, Curve(full_scale, v.g)),
          curve_table(full_scale, Curve(full_scale, v.b))};
}

}  // namespace

PointCorrection color_contrast_plan(const char *word) {
  const ChannelCurve p = scan_channel_curve(word);
  std::fprintf(stderr, "contrast %g,%g,%g,%d\n", p.values.r, p.values.g, p.values.b, p.n);
  return {curve_tables<ContrastCurve>(full_scale(p.n), p.values), "color contrast correction"};
}

PointCorrection color_gamma_plan(const char *word) {
  const ChannelCurve p = scan_channel_curve(word);
  std::fprintf(stderr, "gamma %g,%g,%g,%d\n", p.values.r, p.values.g, p.values.b, p.n);
  return {curve_tables<GammaCurve>(full_scale(p.n), p.values), "color gamma correction"};
}

void color_contrast_correction(const char *word, Image &image) {
  apply_point_correction(color_contrast_plan(word), image);
}

void color_gamma_correction(const char *word, Image &image) {
  apply_point_correction(color_gamma_plan(word), image);
}

}  // namespace photofilter
