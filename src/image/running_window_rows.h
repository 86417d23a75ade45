// The horizontal pass: horizontal_pass(image, radius, rule) leaves every
// row as the plain pass of kernels_plain.cc leaves it, for any image,
// radius and rule. Both give each sample rule(S, c, v) with S its
// channel's sum over the row's values before the pass in the window of
// the overview (running_window.h), c that window's size and v its value
// before the pass. Here S is the difference of two prefix sums of the
// row, taken before the row is changed, in 32 bits when no prefix sum of
// the row can leave them and in 64 bits otherwise, so S is exact either
// way; the rule's result depends on nothing else, so the order in which
// samples are visited does not matter.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "image/image.h"
#include "image/multiversion.h"
#include "image/running_window.h"

namespace photofilter::running_window {

// How far ahead of a line's reads the next samples are asked for: a
// processor left to itself fetches a stream of small reads too late to
// keep up (the horizontal pass ran at half the memory's speed).
constexpr int32_t kPrefetchSamples = 1024;
constexpr int32_t kPixelsPerCacheLine = 64 / (kSamplesPerPixel * sizeof(int16_t));

// Asks for the memory `count` samples after `samples`, which may lie past
// the end of the array: a prefetch never faults, and the address is
// formed as an integer so that no pointer leaves its array.
PHOTOFILTER_INLINE void prefetch_ahead(const int16_t *samples, int32_t count) {
  __builtin_prefetch(reinterpret_cast<const void *>(reinterpret_cast<uintptr_t>(samples) +
                                                    count * sizeof(int16_t)));
}

// prefix[4k + c]: channel c of a row of n pixels summed over pixels
// 0 .. k-1, one pixel's four lanes added at a time.
template <typename Sum>
PHOTOFILTER_INLINE void prefix_sums(const int16_t *row, int32_t n, Sum *prefix) {
  Sum running[kSamplesPerPixel] = {};
  for (int lane = 0; lane < kSamplesPerPixel; ++lane) prefix[lane] = 0;
  auto add_pixel = [&](int32_t k) {
    for (int lane = 0; lane < kSamplesPerPixel; ++lane) {
      running[lane] += row[k * kSamplesPerPixel + lane];
      prefix[(k + 1) * kSamplesPerPixel + lane] = running[lane];
    }
  };
  int32_t k = 0;
  for (; k + kPixelsPerCacheLine <= n; k += kPixelsPerCacheLine) {
    prefetch_ahead(row + k * kSamplesPerPixel, kPrefetchSamples);
    for (int32_t i = 0; i < kPixelsPerCacheLine; ++i) add_pixel(k + i);
  }
  for (; k < n; ++k) add_pixel(k);
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
  const auto window_rule = rule.for_window(window);
  for (int32_t j = 0; j < count; ++j) {
    samples[j] = window_rule(ahead[j] - behind[j], samples[j], parameters[j]);
  }
}

template <typename Sum, typename Rule>
PHOTOFILTER_INLINE void process_row(const Rule &rule, int32_t radius, int16_t *row, int32_t n,
                                    Sum *prefix, const int32_t *parameters) {
  prefix_sums(row, n, prefix);
  auto lane = [](int32_t pixel) { return pixel * kSamplesPerPixel; };
  visit_windows(
      radius, n,
      [&](int32_t i, int32_t lo, int32_t hi) PHOTOFILTER_INLINE_LAMBDA {
        apply_rule_to_prefix_windows(rule, prefix + lane(hi + 1), prefix + lane(lo),
                                     hi - lo + 1, row + lane(i), parameters + lane(i),
                                     kSamplesPerPixel);
      },
      [&](int32_t begin, int32_t end) PHOTOFILTER_INLINE_LAMBDA {
        const int32_t first = lane(begin);
        apply_rule_to_prefix_windows(rule, prefix + first + lane(radius + 1),
                                     prefix + first - lane(radius), 2 * radius + 1, row + first,
                                     parameters + first, lane(end - begin));
      });
}

template <typename Sum, typename Rule>
PHOTOFILTER_INLINE void horizontal_pass_with(Image &image, int32_t radius, const Rule &rule,
                                             int32_t y0, int32_t y1) {
  const int32_t n = image.nx;
  std::vector<Sum> prefix(static_cast<size_t>(n + 1) * kSamplesPerPixel);
  const std::vector<int32_t> parameters = lane_parameters(rule, n);
  for (int32_t y = y0; y < y1; ++y) {
    process_row(rule, radius, reinterpret_cast<int16_t *>(image.row(y)), n, prefix.data(),
                parameters.data());
  }
}

// The pass over rows y0 .. y1 - 1. Rows are independent of one another, so
// the rows of an image may be passed in parts, in any order.
template <typename Rule>
PHOTOFILTER_INLINE void horizontal_pass(Image &image, int32_t radius, const Rule &rule,
                                        int32_t y0, int32_t y1) {
  if (image.nx <= 0 || y1 <= y0) return;
  radius = effective_radius(radius, image.nx);
  if (image.nx <= kMaxLineFor32BitSums) {
    horizontal_pass_with<int32_t>(image, radius, rule, y0, y1);
  } else {
    horizontal_pass_with<int64_t>(image, radius, rule, y0, y1);
  }
}

}  // namespace photofilter::running_window
