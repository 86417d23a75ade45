// The running-window machinery behind the separable kernels. A pass moves
// a window along every line (every row, or every column) of the image and
// asks a rule for each sample's new value, given the sum of that sample's
// channel over the window, the window's size and the sample's value before
// the pass. Sums always cover the values the line had before the pass, so
// a line's earlier results never enter its later windows.
//
// The window of position i on a line of n samples covers positions
// max(0, i - r) .. min(i + r, n - 1): cut off at both ends of the line.
//
// Samples are handled as flat lanes: pixel k of a line is lanes 4k .. 4k+3
// (r, g, b, aux). Each lane carries a parameter from a rule's lane pattern
// (a step, or whether the lane changes at all), so that one loop over all
// lanes serves every channel and the compiler can vectorise it.
//
// The horizontal pass takes the prefix sums of a row, then applies the
// rule in place with every window sum taken as a difference of two of
// them; the whole windows between the cut-off ends form one run. The
// vertical pass
// never walks down one column at a time: it takes a block of adjacent
// columns and moves all their windows down together, so every row is read
// and written as one contiguous run, keeping in a ring only the original
// rows that have yet to leave the window. The results are those of the
// plain column-by-column order.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "image/image.h"
#include "image/multiversion.h"

namespace photofilter::running_window {

constexpr int kLanes = 4;
constexpr int32_t kBlockColumns = 64;

// A rule is a type with
//   std::array<int32_t, kLanes> lane_pattern() const;  // a parameter per channel
//   int16_t operator()(Sum sum, int32_t window, int16_t value, int32_t lane_parameter) const;
// where Sum is int32_t or int64_t. It must not depend on anything else, so
// that a row's lanes can be computed in any order.

// Largest line (in samples) whose prefix sums of 16-bit samples fit 32 bits.
constexpr int64_t kMaxLineFor32BitSums = INT32_MAX / 32768;

// The window radius that gives the same windows on a line of n samples:
// a radius beyond n - 1 covers the whole line anyway.
inline int32_t effective_radius(int32_t radius, int32_t n) {
  return std::clamp(radius, 0, std::max(n - 1, 0));
}

// The rule's lane pattern repeated over `pixels` pixels.
template <typename Rule>
std::vector<int32_t> lane_parameters(const Rule &rule, int32_t pixels) {
  const std::array<int32_t, kLanes> pattern = rule.lane_pattern();
  std::vector<int32_t> parameters(static_cast<size_t>(pixels) * kLanes);
  for (size_t j = 0; j < parameters.size(); ++j) parameters[j] = pattern[j % kLanes];
  return parameters;
}

template <typename Sum>
PHOTOFILTER_INLINE void add_lanes(Sum *sums, const int16_t *samples, int32_t count) {
  for (int32_t j = 0; j < count; ++j) sums[j] += samples[j];
}

template <typename Sum>
PHOTOFILTER_INLINE void subtract_lanes(Sum *sums, const int16_t *samples, int32_t count) {
  for (int32_t j = 0; j < count; ++j) sums[j] -= samples[j];
}

template <typename Sum>
PHOTOFILTER_INLINE void add_and_subtract_lanes(Sum *__restrict sums,
                                               const int16_t *__restrict entering,
                                               const int16_t *__restrict leaving,
                                               int32_t count) {
  for (int32_t j = 0; j < count; ++j) sums[j] += entering[j] - leaving[j];
}

// samples[j] = rule(sums[j], window, samples[j], parameter[j]) for
// `count` lanes, in place, keeping each sample's old value in originals[j].
template <typename Sum, typename Rule>
PHOTOFILTER_INLINE void apply_rule_keeping_originals(const Rule &rule, const Sum *__restrict sums,
                                                     int32_t window, int16_t *__restrict samples,
                                                     int16_t *__restrict originals,
                                                     const int32_t *__restrict parameters,
                                                     int32_t count) {
  const Rule local = rule;  // its fields in registers, not reloaded per lane
  for (int32_t j = 0; j < count; ++j) {
    const int16_t value = samples[j];
    originals[j] = value;
    samples[j] = local(sums[j], window, value, parameters[j]);
  }
}

// samples[j] = rule(ahead[j] - behind[j], window, samples[j], parameter[j])
// in place: the window sums taken as differences of prefix sums.
template <typename Sum, typename Rule>
PHOTOFILTER_INLINE void apply_rule_to_prefix_windows(const Rule &rule,
                                                     const Sum *__restrict ahead,
                                                     const Sum *__restrict behind,
                                                     int32_t window, int16_t *__restrict samples,
                                                     const int32_t *__restrict parameters,
                                                     int32_t count) {
  const Rule local = rule;
  for (int32_t j = 0; j < count; ++j) {
    samples[j] = local(ahead[j] - behind[j], window, samples[j], parameters[j]);
  }
}

template <typename Sum, typename Rule>
PHOTOFILTER_INLINE void process_row(const Rule &rule, int32_t radius, int16_t *row, int32_t n,
                                    Sum *prefix, const int32_t *parameters) {
  // prefix[4k + c]: channel c summed over pixels 0 .. k-1, one pixel's four
  // lanes added at a time.
  Sum running[kLanes] = {};
  for (int lane = 0; lane < kLanes; ++lane) prefix[lane] = 0;
  for (int32_t k = 0; k < n; ++k) {
    for (int lane = 0; lane < kLanes; ++lane) {
      running[lane] += row[k * kLanes + lane];
      prefix[(k + 1) * kLanes + lane] = running[lane];
    }
  }
  // Windows cut off by a line end, one pixel at a time, then the whole
  // windows between them in one run.
  const int32_t interior_begin = std::min(radius, n);
  const int32_t interior_end = std::max(n - radius, interior_begin);
  auto cut_window = [&](int32_t i) {
    const int32_t lo = std::max(0, i - radius);
    const int32_t hi = std::min(n - 1, i + radius);
    apply_rule_to_prefix_windows(rule, prefix + (hi + 1) * kLanes, prefix + lo * kLanes,
                                 hi - lo + 1, row + i * kLanes, parameters + i * kLanes,
                                 kLanes);
  };
  for (int32_t i = 0; i < interior_begin; ++i) cut_window(i);
  for (int32_t i = interior_end; i < n; ++i) cut_window(i);
  const int32_t first = interior_begin * kLanes;
  apply_rule_to_prefix_windows(rule, prefix + first + (radius + 1) * kLanes,
                               prefix + first - radius * kLanes, 2 * radius + 1, row + first,
                               parameters + first, (interior_end - interior_begin) * kLanes);
}

template <typename Sum, typename Rule>
PHOTOFILTER_INLINE void horizontal_pass_with(Image &image, int32_t radius, const Rule &rule) {
  const int32_t n = image.nx;
  std::vector<Sum> prefix(static_cast<size_t>(n + 1) * kLanes);
  const std::vector<int32_t> parameters = lane_parameters(rule, n);
  for (int32_t y = 0; y < image.ny; ++y) {
    process_row(rule, radius, reinterpret_cast<int16_t *>(image.row(y)), n, prefix.data(),
                parameters.data());
  }
}

// Columns x0 .. x0 + width - 1, all moved down together.
template <typename Sum, typename Rule>
PHOTOFILTER_INLINE void process_column_block(Image &image, int32_t radius, const Rule &rule,
                                             int32_t x0, int32_t width, Sum *sums,
                                             int16_t *ring, const int32_t *parameters) {
  const int32_t n = image.ny;
  const int32_t lanes = width * kLanes;
  const int32_t ring_rows = radius + 2;  // a row leaves the window radius + 1 steps after its turn
  std::fill(sums, sums + lanes, Sum{0});
  auto lanes_of_row = [&](int32_t y) { return reinterpret_cast<int16_t *>(image.row(y) + x0); };
  auto ring_row = [&](int32_t y) { return ring + int64_t{y % ring_rows} * lanes; };
  int32_t window = 0;
  for (int32_t i = -radius; i < n; ++i) {
    const bool entering = i + radius < n;
    const bool leaving = i - radius - 1 >= 0;
    if (entering && leaving) {
      add_and_subtract_lanes(sums, lanes_of_row(i + radius), ring_row(i - radius - 1), lanes);
    } else if (entering) {
      add_lanes(sums, lanes_of_row(i + radius), lanes);
      ++window;
    } else if (leaving) {
      subtract_lanes(sums, ring_row(i - radius - 1), lanes);
      --window;
    }
    if (i >= 0) {
      apply_rule_keeping_originals(rule, sums, window, lanes_of_row(i), ring_row(i), parameters,
                                   lanes);
    }
  }
}

template <typename Sum, typename Rule>
PHOTOFILTER_INLINE void vertical_pass_with(Image &image, int32_t radius, const Rule &rule) {
  const int32_t block = std::min(kBlockColumns, image.nx);
  std::vector<Sum> sums(static_cast<size_t>(block) * kLanes);
  std::vector<int16_t> ring(static_cast<size_t>(radius + 2) * block * kLanes);
  const std::vector<int32_t> parameters = lane_parameters(rule, block);
  for (int32_t x0 = 0; x0 < image.nx; x0 += block) {
    process_column_block(image, radius, rule, x0, std::min(block, image.nx - x0), sums.data(),
                         ring.data(), parameters.data());
  }
}

template <typename Rule>
PHOTOFILTER_INLINE void horizontal_pass(Image &image, int32_t radius, const Rule &rule) {
  if (image.nx <= 0 || image.ny <= 0) return;
  radius = effective_radius(radius, image.nx);
  if (image.nx <= kMaxLineFor32BitSums) {
    horizontal_pass_with<int32_t>(image, radius, rule);
  } else {
    horizontal_pass_with<int64_t>(image, radius, rule);
  }
}

template <typename Rule>
PHOTOFILTER_INLINE void vertical_pass(Image &image, int32_t radius, const Rule &rule) {
  if (image.nx <= 0 || image.ny <= 0) return;
  radius = effective_radius(radius, image.ny);
  if (std::min<int64_t>(2 * int64_t{radius} + 1, image.ny) <= kMaxLineFor32BitSums) {
    vertical_pass_with<int32_t>(image, radius, rule);
  } else {
    vertical_pass_with<int64_t>(image, radius, rule);
  }
}

// The quotient of a window sum by a window size, truncated toward zero: a
// window mean, which lies in the 16-bit range. Sums of 16-bit samples stay
// far below 2^53, where the correctly rounded double quotient truncates to
// the exact integer quotient; the double division is much cheaper than an
// integer one and vectorises.
template <typename Sum>
PHOTOFILTER_INLINE int32_t truncated_mean(Sum sum, int32_t window) {
  return static_cast<int32_t>(static_cast<double>(sum) / static_cast<double>(window));
}

}  // namespace photofilter::running_window
