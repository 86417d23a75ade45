// The plan of "-ssc", shared by its handler and its byte entry point.
#pragma once

#include <cstdint>
#include <vector>

#include "filters/geometry/geometry_support.h"
#include "image/image.h"

namespace photofilter {

constexpr double kSmoothedScaleMargin = 0.999;  // of a box to fit
constexpr const char *kSmoothedScaleStep = "smoothed scaling done";

// The blur radius, after its log line, and the source column and row at
// the centre of every bin.
struct SmoothedScalePlan {
  ScaleFactors f;
  int32_t radius;
  std::vector<int32_t> columns, rows;

  // Bins of at least one source pixel each way: the blur is needed only at
  // the bin centres.
  bool reduces() const { return f.bin_width >= 1 && f.bin_height >= 1; }
};

SmoothedScalePlan smoothed_scale_plan(const ScaleFactors &f, const ImageHeader &image);

}  // namespace photofilter
