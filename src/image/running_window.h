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
// The schedules, each in a header of its own:
// - running_window_rows.h, the horizontal pass: the prefix sums of a row,
//   then the rule applied in place with every window sum taken as a
//   difference of two of them; the whole windows between the cut-off ends
//   form one run.
// - running_window_columns.h, the vertical pass: never one column at a
//   time, but a block of adjacent columns whose windows move down
//   together, so that every row is read and written as one contiguous run;
//   a ring keeps the original rows that have yet to leave the window.
// - running_window_sampled.h: the results of both passes at a few points
//   only, reading the image a row at a time.
// All of them give the results of the plain line-by-line order of
// kernels_plain.cc. The rules divide by no window size: exact_quotients.h
// gives exact truncated quotients and compares window means without a
// division.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "image/image.h"
#include "image/multiversion.h"

namespace photofilter::running_window {

// A rule is a type with
//   std::array<int32_t, kSamplesPerPixel> lane_pattern() const;  // a parameter per channel
//   WindowRule for_window(int32_t window) const;
// where WindowRule, the rule made ready for one window size (its divisors
// and reciprocals worked out once per run of lanes rather than once per
// lane), has
//   int16_t operator()(Sum sum, int16_t value, int32_t lane_parameter) const;
// with Sum int32_t or int64_t. The result must not depend on anything else,
// so that a row's lanes can be computed in any order.

// Largest line (in samples) on which the passes keep 32-bit sums: its
// prefix sums of 16-bit samples fit 32 bits, and so does the window size
// times any sample value give or take 2 (the rules compare window sums
// with such products instead of dividing).
constexpr int64_t kMaxLineFor32BitSums = INT32_MAX / 65536;

// The window radius that gives the same windows on a line of n samples:
// a radius beyond n - 1 covers the whole line anyway.
inline int32_t effective_radius(int32_t radius, int32_t n) {
  return std::clamp(radius, 0, std::max(n - 1, 0));
}

// The rule's lane pattern repeated over `pixels` pixels.
template <typename Rule>
std::vector<int32_t> lane_parameters(const Rule &rule, int32_t pixels) {
  const std::array<int32_t, kSamplesPerPixel> pattern = rule.lane_pattern();
  std::vector<int32_t> parameters(static_cast<size_t>(pixels) * kSamplesPerPixel);
  for (size_t j = 0; j < parameters.size(); ++j) parameters[j] = pattern[j % kSamplesPerPixel];
  return parameters;
}

// The windows of a line of n samples for a radius cut to the line: first
// those cut off by a line end, one position at a time, as cut(i, lo, hi)
// for the window lo .. hi of position i; then the positions between them,
// whose windows all hold 2 * radius + 1 samples, as one run whole(begin,
// end), if there are any.
template <typename Cut, typename Whole>
PHOTOFILTER_INLINE void visit_windows(int32_t radius, int32_t n, Cut &&cut, Whole &&whole) {
  const int32_t interior_begin = std::min(radius, n);
  const int32_t interior_end = std::max(n - radius, interior_begin);
  auto cut_window = [&](int32_t i) PHOTOFILTER_INLINE_LAMBDA {
    cut(i, std::max(0, i - radius), std::min(n - 1, i + radius));
  };
  for (int32_t i = 0; i < interior_begin; ++i) cut_window(i);
  for (int32_t i = interior_end; i < n; ++i) cut_window(i);
  // Only a run that holds positions: its windows' ends are then within the
  // line, and so are the pointers a caller forms from them.
  if (interior_begin < interior_end) whole(interior_begin, interior_end);
}

template <typename Sum>
PHOTOFILTER_INLINE void add_lanes(Sum *sums, const int16_t *samples, int32_t count) {
  for (int32_t j = 0; j < count; ++j) sums[j] += samples[j];
}

template <typename Sum>
PHOTOFILTER_INLINE void subtract_lanes(Sum *sums, const int16_t *samples, int32_t count) {
  for (int32_t j = 0; j < count; ++j) sums[j] -= samples[j];
}

}  // namespace photofilter::running_window
