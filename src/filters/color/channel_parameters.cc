#include "filters/color/channel_parameters.h"

#include "image/parameter_scan.h"

namespace photofilter {

ChannelValues scan_channel_values(const char *word, double red_default) {
  ChannelValues v{red_default, 0.0, 0.0};
  if (scan_parameters(word, "%lf,%lf,%lf", &v.r, &v.g, &v.b) != 3) v.g = v.b = v.r;
  return v;
}

ChannelCurve scan_channel_curve(const char *word) {
  ChannelCurve curve{{1.0, 0.0, 0.0}, 255};
  ChannelValues &v = curve.values;
  if (scan_parameters(word, "%lf,%lf,%lf,%d", &v.r, &v.g, &v.b, &curve.n) < 3) v.g = v.b = v.r;
  return curve;
}

}  // namespace photofilter
