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
// (r, g, b, aux). A rule says which lanes it changes; the others are
// written back as they were.
//
// The horizontal pass walks each row through a copy of it. The vertical
// pass never walks down one column at a time: it takes a block of adjacent
// columns and moves all their windows down together, so every row is read
// and written as one contiguous run, keeping in a ring only the original
// rows that have yet to leave the window. The results are those of the
// column-by-column order.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "image/image.h"

namespace photofilter::running_window {

constexpr int kLanes = 4;
constexpr int32_t kBlockColumns = 64;

// Largest window (in samples) whose sum of 16-bit samples fits 32 bits.
constexpr int64_t kMaxWindowFor32BitSums = INT32_MAX / 32768;

// The window radius that gives the same windows on a line of n samples:
// a radius beyond n - 1 covers the whole line anyway.
inline int32_t effective_radius(int32_t radius, int32_t n) {
  return std::clamp(radius, 0, std::max(n - 1, 0));
}

inline bool sums_fit_32_bits(int32_t radius, int32_t n) {
  return std::min<int64_t>(2 * int64_t{radius} + 1, n) <= kMaxWindowFor32BitSums;
}

// Adds (sign +1) or subtracts (sign -1) `count` lanes of `samples` to `sums`.
template <typename Sum>
inline void accumulate(Sum *sums, const int16_t *samples, int32_t count, int sign) {
  if (sign > 0) {
    for (int32_t j = 0; j < count; ++j) sums[j] += samples[j];
  } else {
    for (int32_t j = 0; j < count; ++j) sums[j] -= samples[j];
  }
}

// Writes the new values of `pixels` lanes: the rule's value for the lanes
// it changes, the old value for the others.
template <typename Sum, typename Rule>
inline void apply_rule(const Rule &rule, const Sum *sums, int32_t window, const int16_t *old,
                       int16_t *out, int32_t pixels) {
  for (int32_t k = 0; k < pixels; ++k) {
    for (int lane = 0; lane < kLanes; ++lane) {
      const int32_t j = k * kLanes + lane;
      out[j] = Rule::changes_lane(lane) ? rule(lane, sums[j], window, old[j]) : old[j];
    }
  }
}

// One line of n pixels, copied into `line` (4n lanes) before the call;
// results go to `out`.
template <typename Sum, typename Rule>
void process_row(const Rule &rule, int32_t radius, const int16_t *line, int16_t *out,
                 int32_t n) {
  Sum sums[kLanes] = {};
  int32_t window = 0;
  for (int32_t i = -radius; i < n; ++i) {
    if (i + radius < n) {
      accumulate(sums, line + int64_t{i + radius} * kLanes, kLanes, +1);
      ++window;
    }
    if (i - radius - 1 >= 0) {
      accumulate(sums, line + int64_t{i - radius - 1} * kLanes, kLanes, -1);
      --window;
    }
    if (i >= 0) {
      apply_rule(rule, sums, window, line + int64_t{i} * kLanes, out + int64_t{i} * kLanes, 1);
    }
  }
}

template <typename Sum, typename Rule>
void horizontal_pass_with(Image &image, int32_t radius, const Rule &rule) {
  const int32_t n = image.nx;
  std::vector<int16_t> line(static_cast<size_t>(n) * kLanes);
  for (int32_t y = 0; y < image.ny; ++y) {
    int16_t *row = reinterpret_cast<int16_t *>(image.row(y));
    std::memcpy(line.data(), row, line.size() * sizeof(int16_t));
    process_row<Sum>(rule, radius, line.data(), row, n);
  }
}

// Columns x0 .. x0 + width - 1, all moved down together.
template <typename Sum, typename Rule>
void process_column_block(Image &image, int32_t radius, const Rule &rule, int32_t x0,
                          int32_t width, std::vector<Sum> &sums, std::vector<int16_t> &ring) {
  const int32_t n = image.ny;
  const int32_t lanes = width * kLanes;
  const int32_t ring_rows = radius + 2;  // a row leaves the window radius + 1 steps after its turn
  std::fill(sums.begin(), sums.begin() + lanes, Sum{0});
  auto lanes_of_row = [&](int32_t y) { return reinterpret_cast<int16_t *>(image.row(y) + x0); };
  auto ring_row = [&](int32_t y) { return ring.data() + int64_t{y % ring_rows} * lanes; };
  int32_t window = 0;
  for (int32_t i = -radius; i < n; ++i) {
    if (i + radius < n) {
      accumulate(sums.data(), lanes_of_row(i + radius), lanes, +1);
      ++window;
    }
    if (i - radius - 1 >= 0) {
      accumulate(sums.data(), ring_row(i - radius - 1), lanes, -1);
      --window;
    }
    if (i >= 0) {
      int16_t *original = ring_row(i);
      std::memcpy(original, lanes_of_row(i), static_cast<size_t>(lanes) * sizeof(int16_t));
      apply_rule(rule, sums.data(), window, original, lanes_of_row(i), width);
    }
  }
}

template <typename Sum, typename Rule>
void vertical_pass_with(Image &image, int32_t radius, const Rule &rule) {
  const int32_t block = std::min(kBlockColumns, image.nx);
  std::vector<Sum> sums(static_cast<size_t>(block) * kLanes);
  std::vector<int16_t> ring(static_cast<size_t>(radius + 2) * block * kLanes);
  for (int32_t x0 = 0; x0 < image.nx; x0 += block) {
    process_column_block<Sum>(image, radius, rule, x0, std::min(block, image.nx - x0), sums,
                              ring);
  }
}

// A rule is a type with
//   static constexpr bool changes_lane(int lane);
//   int16_t operator()(int lane, Sum sum, int32_t window, int16_t value) const;
template <typename Rule>
void horizontal_pass(Image &image, int32_t radius, const Rule &rule) {
  if (image.nx <= 0 || image.ny <= 0) return;
  radius = effective_radius(radius, image.nx);
  if (sums_fit_32_bits(radius, image.nx)) {
    horizontal_pass_with<int32_t>(image, radius, rule);
  } else {
    horizontal_pass_with<int64_t>(image, radius, rule);
  }
}

template <typename Rule>
void vertical_pass(Image &image, int32_t radius, const Rule &rule) {
  if (image.nx <= 0 || image.ny <= 0) return;
  radius = effective_radius(radius, image.ny);
  if (sums_fit_32_bits(radius, image.ny)) {
    vertical_pass_with<int32_t>(image, radius, rule);
  } else {
    vertical_pass_with<int64_t>(image, radius, rule);
  }
}

// The quotient of a window sum by a window size, truncated toward zero.
// Sums of 16-bit samples stay far below 2^53, where the correctly rounded
// double quotient truncates to the exact integer quotient; the double
// division is much cheaper than an integer one.
template <typename Sum>
inline int64_t truncated_mean(Sum sum, int32_t window) {
  return static_cast<int64_t>(static_cast<double>(sum) / static_cast<double>(window));
}

}  // namespace photofilter::running_window
