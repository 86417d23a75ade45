// The plan of "-t", for its handler and its byte entry point.
#pragma once

#include <cstdint>

#include "image/image.h"

namespace photofilter {

// The four parameters, only logged, and the size of the result.
struct TestFilterPlan {
  int cycles = 1;
  double gain = 1.0;
  int radius = 3;
  double weight = 1.0;
  int32_t new_nx = 0;  // one column and one row fewer; an empty image stays as it is
  int32_t new_ny = 0;
};

// Defaults, scan and parameter line of "-t" on an image of `image`'s size.
TestFilterPlan plan_test_filter(const char *word, const ImageHeader &image);

}  // namespace photofilter
