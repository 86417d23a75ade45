// The vertical pass: vertical_pass(image, radius, rule) leaves every
// column as the plain pass of kernels_plain.cc leaves it, for any image,
// radius and rule. A block of up to kBlockColumns adjacent columns moves
// its windows down together, one row at a time: each step adds the row
// entering the window and subtracts the one leaving it, as the plain pass
// does for each column on its own. The leaving row's values before the
// pass come from a ring of radius + 2 rows, where each row's old values go
// as it is changed: a row leaves the window radius + 1 steps after its
// turn, so its ring slot is still unused by then. Sums are 32 bits when a
// whole window of 16-bit samples fits them, else 64 bits, so every window
// sum is exact, and the rule's result depends only on the sum, the window
// size and the old value.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "image/image.h"
#include "image/multiversion.h"
#include "image/running_window.h"

namespace photofilter::running_window {

constexpr int32_t kBlockColumns = 64;
constexpr int32_t kPrefetchRows = 4;

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
  const auto window_rule = rule.for_window(window);  // its fields in registers, not reloaded
  for (int32_t j = 0; j < count; ++j) {
    const int16_t value = samples[j];
    originals[j] = value;
    samples[j] = window_rule(sums[j], value, parameters[j]);
  }
}

// The window sums moved on by one row and the rule applied to the row in
// one sweep: the entering row is not the row changed (radius > 0), and the
// leaving original is not the one kept.
template <typename Sum, typename WindowRule>
PHOTOFILTER_INLINE void slide_and_apply(const WindowRule &window_rule, Sum *__restrict sums,
                                        const int16_t *__restrict entering,
                                        const int16_t *__restrict leaving,
                                        int16_t *__restrict samples,
                                        int16_t *__restrict originals,
                                        const int32_t *__restrict parameters, int32_t count) {
  for (int32_t j = 0; j < count; ++j) {
    const Sum sum = sums[j] + entering[j] - leaving[j];
    sums[j] = sum;
    const int16_t value = samples[j];
    originals[j] = value;
    samples[j] = window_rule(sum, value, parameters[j]);
  }
}

PHOTOFILTER_INLINE void prefetch_lanes(const int16_t *samples, int32_t count) {
  constexpr int32_t kLineSamples = 64 / sizeof(int16_t);
  for (int32_t j = 0; j < count; j += kLineSamples) __builtin_prefetch(samples + j);
}

// Columns x0 .. x0 + width - 1, all moved down together.
template <typename Sum, typename Rule>
PHOTOFILTER_INLINE void process_column_block(Image &image, int32_t radius, const Rule &rule,
                                             int32_t x0, int32_t width, Sum *sums,
                                             int16_t *ring, const int32_t *parameters) {
  const int32_t n = image.ny;
  const int32_t lane_count = width * kSamplesPerPixel;
  const int32_t ring_rows = radius + 2;  // a row leaves the window radius + 1 steps after its turn
  std::fill(sums, sums + lane_count, Sum{0});
  auto block_of_row = [&](int32_t y) { return reinterpret_cast<int16_t *>(image.row(y) + x0); };
  auto ring_row = [&](int32_t y) { return ring + int64_t{y % ring_rows} * lane_count; };
  int32_t window = 0;
  const auto whole_window = rule.for_window(std::min(2 * radius + 1, n));
  for (int32_t i = -radius; i < n; ++i) {
    // Rows lie a whole image row apart, too far for the processor to
    // fetch them ahead by itself: ask for the block's part of a row a few
    // steps before it enters the window.
    if (i + radius + kPrefetchRows < n) {
      prefetch_lanes(block_of_row(i + radius + kPrefetchRows), lane_count);
    }
    const bool entering = i + radius < n;
    const bool leaving = i - radius - 1 >= 0;
    if (entering && leaving && radius > 0) {  // the window slides: one sweep
      slide_and_apply(whole_window, sums, block_of_row(i + radius), ring_row(i - radius - 1),
                      block_of_row(i), ring_row(i), parameters, lane_count);
      continue;
    }
    if (entering && leaving) {
      add_and_subtract_lanes(sums, block_of_row(i + radius), ring_row(i - radius - 1),
                             lane_count);
    } else if (entering) {
      add_lanes(sums, block_of_row(i + radius), lane_count);
      ++window;
    } else if (leaving) {
      subtract_lanes(sums, ring_row(i - radius - 1), lane_count);
      --window;
    }
    if (i >= 0) {
      apply_rule_keeping_originals(rule, sums, window, block_of_row(i), ring_row(i), parameters,
                                   lane_count);
    }
  }
}

template <typename Sum, typename Rule>
PHOTOFILTER_INLINE void vertical_pass_with(Image &image, int32_t radius, const Rule &rule,
                                           int32_t x_begin, int32_t x_end) {
  const int32_t block = std::min(kBlockColumns, x_end - x_begin);
  std::vector<Sum> sums(static_cast<size_t>(block) * kSamplesPerPixel);
  std::vector<int16_t> ring(static_cast<size_t>(radius + 2) * block * kSamplesPerPixel);
  const std::vector<int32_t> parameters = lane_parameters(rule, block);
  for (int32_t x0 = x_begin; x0 < x_end; x0 += block) {
    process_column_block(image, radius, rule, x0, std::min(block, x_end - x0), sums.data(),
                         ring.data(), parameters.data());
  }
}

// The pass over columns x_begin .. x_end - 1. Columns are independent of
// one another, whichever block they are passed in, so the columns of an
// image may be passed in parts, in any order.
template <typename Rule>
PHOTOFILTER_INLINE void vertical_pass(Image &image, int32_t radius, const Rule &rule,
                                      int32_t x_begin, int32_t x_end) {
  if (image.ny <= 0 || x_end <= x_begin) return;
  radius = effective_radius(radius, image.ny);
  if (std::min<int64_t>(2 * int64_t{radius} + 1, image.ny) <= kMaxLineFor32BitSums) {
    vertical_pass_with<int32_t>(image, radius, rule, x_begin, x_end);
  } else {
    vertical_pass_with<int64_t>(image, radius, rule, x_begin, x_end);
  }
}

}  // namespace photofilter::running_window
