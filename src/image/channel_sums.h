// The range of r + g + b over one pixel of 16-bit samples, for tables and
// searches indexed by a pixel's channel sum.
#pragma once

#include <cstdint>

namespace photofilter {

constexpr int32_t kLowestSum = 3 * INT16_MIN;
constexpr int32_t kHighestSum = 3 * INT16_MAX;

}  // namespace photofilter
