// Conversions into 16-bit samples and other integer targets. Every store
// saturates instead of wrapping, and no conversion is undefined: NaN gives
// 0, an infinite or out-of-range value gives the nearest end of the range.
#pragma once

#include <cstdint>
#include <limits>
#include <type_traits>

namespace photofilter {

template <typename Int>
constexpr int16_t saturate_sample(Int v) {
  const Int above_low = v > Int{INT16_MIN} ? v : Int{INT16_MIN};
  return static_cast<int16_t>(above_low < Int{INT16_MAX} ? above_low : Int{INT16_MAX});
}

// trunc(x) for an extended-precision x with |x| < 2^32 that lies within
// Int's range. Converting a long double to an integer directly switches
// the x87 rounding mode twice, which is slow; instead x goes to its
// nearest double first. The two integers that enclose x are doubles
// themselves, so that double lies between them as well: its truncation is
// trunc(x), or one more away from zero when the rounding reached the outer
// one, which one step back undoes.
template <typename Int>
constexpr Int truncate_extended(long double x) {
  auto truncated = static_cast<Int>(static_cast<double>(x));
  if (x >= 0 && truncated > x) --truncated;
  if (x < 0 && truncated < x) ++truncated;
  return truncated;
}

// Truncation toward zero, then saturation to Target's range.
template <typename Target, typename Float>
constexpr Target truncate_to(Float x) {
  constexpr Float lo = static_cast<Float>(std::numeric_limits<Target>::min());
  constexpr Float hi = static_cast<Float>(std::numeric_limits<Target>::max());
  if (!(x == x)) return 0;
  if (x <= lo) return std::numeric_limits<Target>::min();
  if (x >= hi) return std::numeric_limits<Target>::max();
  if constexpr (std::is_same_v<Float, long double> && sizeof(Target) <= 4) {
    return static_cast<Target>(truncate_extended<int64_t>(x));
  }
  return static_cast<Target>(x);
}

// The same for a 16-bit sample of a value known not to be NaN, written
// without branches so that loops over samples vectorise: clamp into the
// range, then truncate.
template <typename Float>
constexpr int16_t truncate_number_to_sample(Float x) {
  const Float above_low = x > Float{INT16_MIN} ? x : Float{INT16_MIN};
  const Float clamped = above_low < Float{INT16_MAX} ? above_low : Float{INT16_MAX};
  return static_cast<int16_t>(static_cast<int32_t>(clamped));
}

// The same for extended precision, truncated through the nearest double.
constexpr int16_t truncate_number_to_sample(long double x) {
  const long double above_low = x > INT16_MIN ? x : INT16_MIN;
  const long double clamped = above_low < INT16_MAX ? above_low : INT16_MAX;
  return static_cast<int16_t>(truncate_extended<int32_t>(clamped));
}

// Any value, NaN giving 0.
template <typename Float>
constexpr int16_t truncate_to_sample(Float x) {
  return truncate_number_to_sample(x == x ? x : Float{0});
}

// The clamp of the written image: 0..255.
constexpr uint8_t clamp_to_byte(int16_t v) {
  return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

}  // namespace photofilter
