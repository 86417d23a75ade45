// The horizontal pass of running_window_rows.h on a row still held as
// bytes, into 16-bit samples, three a pixel: blur_byte_row gives each
// sample rule(S, c, v), with S its channel's sum over the row's bytes in
// the window, c the window's size and v its byte. The widened row's r, g
// and b are those bytes, so these are the values horizontal_pass gives
// there: the same prefix sums, the same cut-off windows, visited by the
// same walk (visit_windows), with aux left out.
#pragma once

#include <cstdint>
#include <cstring>

#include "image/multiversion.h"
#include "image/running_window.h"
#include "image/vector_types.h"

namespace photofilter::running_window::byte_rows {

constexpr int kChannels = 3;  // the lanes of a pixel held as bytes

// out[j] = rule(ahead[j] - behind[j], window, bytes[j]) for `count` lanes.
template <typename Rule>
PHOTOFILTER_INLINE void apply_to_byte_windows(const Rule &rule, const int32_t *__restrict ahead,
                                              const int32_t *__restrict behind, int32_t window,
                                              const uint8_t *__restrict bytes,
                                              int16_t *__restrict out, int32_t parameter,
                                              int32_t count) {
  const auto window_rule = rule.for_window(window);
  for (int32_t j = 0; j < count; ++j) {
    out[j] = window_rule(ahead[j] - behind[j], static_cast<int16_t>(bytes[j]), parameter);
  }
}

using Bytes16 = uint8_t __attribute__((vector_size(16)));

// The bytes of pixel p of the four starting `bytes`, each in the low byte
// of a 32-bit lane; the fourth lane is 0.
template <int p>
PHOTOFILTER_INLINE Ints4 pixel_lanes(Bytes16 bytes) {
  constexpr Bytes16 zero = {};
  return (Ints4)__builtin_shufflevector(bytes, zero, 3 * p, 16, 16, 16, 3 * p + 1, 16, 16, 16,
                                        3 * p + 2, 16, 16, 16, 16, 16, 16, 16);
}

PHOTOFILTER_INLINE void add_and_store(Ints4 &running, Ints4 pixel, int32_t *at) {
  running += pixel;
  std::memcpy(at, &running, sizeof running);
}

// prefix[3k + c]: channel c of a row of n pixels as bytes summed over
// pixels 0 .. k-1. Four pixels' bytes are loaded at once while 16 bytes
// stay within the row, and each pixel's three sums are added and stored
// as one vector of four: the fourth lane adds 0 and lands where the next
// pixel's store writes over it.
PHOTOFILTER_INLINE void byte_prefix_sums(const uint8_t *row, int32_t n, int32_t *prefix) {
  Ints4 running = {0, 0, 0, 0};
  std::memcpy(prefix, &running, sizeof running);
  int32_t k = 0;
  for (; k + 6 <= n; k += 4) {  // bytes 3k .. 3k + 15 lie within the row
    Bytes16 bytes;
    std::memcpy(&bytes, row + k * kChannels, sizeof bytes);
    int32_t *after = prefix + (k + 1) * kChannels;
    add_and_store(running, pixel_lanes<0>(bytes), after);
    add_and_store(running, pixel_lanes<1>(bytes), after + kChannels);
    add_and_store(running, pixel_lanes<2>(bytes), after + 2 * kChannels);
    add_and_store(running, pixel_lanes<3>(bytes), after + 3 * kChannels);
  }
  for (; k < n; ++k) {
    for (int lane = 0; lane < kChannels; ++lane) {
      running[lane] += row[k * kChannels + lane];
      prefix[(k + 1) * kChannels + lane] = running[lane];
    }
  }
}

// The horizontal pass of one row of n pixels as bytes into 16-bit
// samples, 3 a pixel; prefix has room for 3 * (n + 1) + 1 sums.
template <typename Rule>
PHOTOFILTER_INLINE void blur_byte_row(const Rule &rule, int32_t radius, int32_t parameter,
                                      const uint8_t *row, int32_t n, int32_t *prefix,
                                      int16_t *out) {
  byte_prefix_sums(row, n, prefix);
  auto lane = [](int32_t pixel) { return pixel * kChannels; };
  running_window::visit_windows(
      radius, n,
      [&](int32_t i, int32_t lo, int32_t hi) PHOTOFILTER_INLINE_LAMBDA {
        apply_to_byte_windows(rule, prefix + lane(hi + 1), prefix + lane(lo), hi - lo + 1,
                              row + lane(i), out + lane(i), parameter, kChannels);
      },
      [&](int32_t begin, int32_t end) PHOTOFILTER_INLINE_LAMBDA {
        const int32_t first = lane(begin);
        apply_to_byte_windows(rule, prefix + first + lane(radius + 1),
                              prefix + first - lane(radius), 2 * radius + 1, row + first,
                              out + first, parameter, lane(end - begin));
      });
}

}  // namespace photofilter::running_window::byte_rows
