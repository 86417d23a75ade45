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
// vertical pass never walks down one column at a time: it takes a block of
// adjacent columns and moves all their windows down together, so every row
// is read and written as one contiguous run, keeping in a ring only the
// original rows that have yet to leave the window. The results are those
// of the plain column-by-column order. The sampled passes give the results
// of both passes at a few points only.
//
// The rules divide by no window size: the helpers at the end give exact
// truncated quotients and compare window means without a division.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "image/image.h"
#include "image/multiversion.h"

namespace photofilter::running_window {

constexpr int kLanes = 4;
constexpr int32_t kBlockColumns = 64;

// A rule is a type with
//   std::array<int32_t, kLanes> lane_pattern() const;  // a parameter per channel
//   Lanes for_window(int32_t window) const;
// where Lanes, the rule made ready for one window size (its divisors and
// reciprocals worked out once per run of lanes rather than once per lane),
// has
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
  const auto lanes = rule.for_window(window);  // its fields in registers, not reloaded per lane
  for (int32_t j = 0; j < count; ++j) {
    const int16_t value = samples[j];
    originals[j] = value;
    samples[j] = lanes(sums[j], value, parameters[j]);
  }
}

// The window sums moved on by one row and the rule applied to the row in
// one sweep: the entering row is not the row changed (radius > 0), and the
// leaving original is not the one kept.
template <typename Sum, typename Lanes>
PHOTOFILTER_INLINE void slide_and_apply(const Lanes &lanes, Sum *__restrict sums,
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
    samples[j] = lanes(sum, value, parameters[j]);
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
  const auto lanes = rule.for_window(window);
  for (int32_t j = 0; j < count; ++j) {
    samples[j] = lanes(ahead[j] - behind[j], samples[j], parameters[j]);
  }
}

// out[j] = lanes(sums[j], values[j], parameter[j]) for `count` lanes.
template <typename Sum, typename Lanes>
PHOTOFILTER_INLINE void apply_lanes_into(const Lanes &lanes, const Sum *__restrict sums,
                                         const int16_t *__restrict values,
                                         int16_t *__restrict out,
                                         const int32_t *__restrict parameters, int32_t count) {
  for (int32_t j = 0; j < count; ++j) out[j] = lanes(sums[j], values[j], parameters[j]);
}

// How far ahead of a line's reads the next samples are asked for: a
// processor left to itself fetches a stream of small reads too late to
// keep up (the horizontal pass ran at half the memory's speed).
constexpr int32_t kPrefetchSamples = 1024;
constexpr int32_t kPixelsPerCacheLine = 64 / (kLanes * sizeof(int16_t));

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
  Sum running[kLanes] = {};
  for (int lane = 0; lane < kLanes; ++lane) prefix[lane] = 0;
  auto add_pixel = [&](int32_t k) {
    for (int lane = 0; lane < kLanes; ++lane) {
      running[lane] += row[k * kLanes + lane];
      prefix[(k + 1) * kLanes + lane] = running[lane];
    }
  };
  int32_t k = 0;
  for (; k + kPixelsPerCacheLine <= n; k += kPixelsPerCacheLine) {
    prefetch_ahead(row + k * kLanes, kPrefetchSamples);
    for (int32_t i = 0; i < kPixelsPerCacheLine; ++i) add_pixel(k + i);
  }
  for (; k < n; ++k) add_pixel(k);
}

template <typename Sum, typename Rule>
PHOTOFILTER_INLINE void process_row(const Rule &rule, int32_t radius, int16_t *row, int32_t n,
                                    Sum *prefix, const int32_t *parameters) {
  prefix_sums(row, n, prefix);
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

constexpr int32_t kPrefetchRows = 4;

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
  const int32_t lanes = width * kLanes;
  const int32_t ring_rows = radius + 2;  // a row leaves the window radius + 1 steps after its turn
  std::fill(sums, sums + lanes, Sum{0});
  auto lanes_of_row = [&](int32_t y) { return reinterpret_cast<int16_t *>(image.row(y) + x0); };
  auto ring_row = [&](int32_t y) { return ring + int64_t{y % ring_rows} * lanes; };
  int32_t window = 0;
  const auto whole_window = rule.for_window(std::min(2 * radius + 1, n));
  for (int32_t i = -radius; i < n; ++i) {
    // Rows lie a whole image row apart, too far for the processor to
    // fetch them ahead by itself: ask for the block's part of a row a few
    // steps before it enters the window.
    if (i + radius + kPrefetchRows < n) {
      prefetch_lanes(lanes_of_row(i + radius + kPrefetchRows), lanes);
    }
    const bool entering = i + radius < n;
    const bool leaving = i - radius - 1 >= 0;
    if (entering && leaving && radius > 0) {  // the window slides: one sweep
      slide_and_apply(whole_window, sums, lanes_of_row(i + radius), ring_row(i - radius - 1),
                      lanes_of_row(i), ring_row(i), parameters, lanes);
      continue;
    }
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

// The sampled passes: what horizontal_pass then vertical_pass leave at
// the listed columns of the listed rows (both not decreasing), written
// pixel by pixel into out. A row within the vertical radius of a listed row
// gets the horizontal rule at the listed columns only, into a ring of such
// compact rows; the vertical window sums run down the compact columns, and
// the vertical rule is applied at the listed rows only.

// Where the horizontal windows of the listed columns lie in a row's
// lanes and prefix sums (the same for every row), and the runs of listed
// columns whose windows have one size.
struct ListedColumns {
  std::vector<int32_t> at, behind, ahead;  // lane offsets
  std::vector<int32_t> run_ends;           // the column after each run
  std::vector<int32_t> run_windows;

  ListedColumns(std::span<const int32_t> columns, int32_t radius, int32_t n) {
    for (const int32_t x : columns) {
      const int32_t first = std::max(0, x - radius);
      const int32_t last = std::min(n - 1, x + radius);
      const int32_t window = last - first + 1;
      if (!run_windows.empty() && run_windows.back() == window) {
        ++run_ends.back();
      } else {
        run_ends.push_back(static_cast<int32_t>(at.size()) + 1);
        run_windows.push_back(window);
      }
      at.push_back(x * kLanes);
      behind.push_back(first * kLanes);
      ahead.push_back((last + 1) * kLanes);
    }
  }
};

// The horizontal pass's results at the listed columns of one row, into
// `out` (4 lanes a column): window sums and old values gathered, then the
// rule applied run by run.
template <typename Sum, typename Rule>
PHOTOFILTER_INLINE void sample_row(const Rule &rule, const int16_t *row, int32_t n,
                                   const ListedColumns &columns, Sum *__restrict prefix,
                                   Sum *__restrict sums, int16_t *__restrict values,
                                   const int32_t *parameters, int16_t *out) {
  prefix_sums(row, n, prefix);
  const auto count = static_cast<int32_t>(columns.at.size());
  for (int32_t k = 0; k < count; ++k) {
    const Sum *ahead = prefix + columns.ahead[k];
    const Sum *behind = prefix + columns.behind[k];
    const int16_t *value = row + columns.at[k];
    for (int lane = 0; lane < kLanes; ++lane) {
      sums[k * kLanes + lane] = ahead[lane] - behind[lane];
      values[k * kLanes + lane] = value[lane];
    }
  }
  int32_t k = 0;
  for (size_t run = 0; run < columns.run_ends.size(); ++run) {
    const int32_t end = columns.run_ends[run];
    apply_lanes_into(rule.for_window(columns.run_windows[run]), sums + k * kLanes,
                     values + k * kLanes, out + k * kLanes, parameters + k * kLanes,
                     (end - k) * kLanes);
    k = end;
  }
}

template <typename Sum, typename Rule>
PHOTOFILTER_INLINE void sampled_passes_with(Image &image, int32_t row_radius,
                                            int32_t column_radius, const Rule &rule,
                                            std::span<const int32_t> columns,
                                            std::span<const int32_t> rows, Pixel *out) {
  const auto width = static_cast<int32_t>(columns.size());
  const int32_t lanes = width * kLanes;
  const int32_t ring_rows = std::min(2 * column_radius + 1, image.ny);
  std::vector<Sum> prefix(static_cast<size_t>(image.nx + 1) * kLanes);
  std::vector<Sum> row_sums(static_cast<size_t>(lanes));
  std::vector<int16_t> values(static_cast<size_t>(lanes));
  std::vector<int16_t> ring(static_cast<size_t>(ring_rows) * lanes);
  std::vector<Sum> column_sums(static_cast<size_t>(lanes), Sum{0});
  const std::vector<int32_t> parameters = lane_parameters(rule, width);
  const ListedColumns listed(columns, row_radius, image.nx);
  auto ring_row = [&](int32_t y) { return ring.data() + int64_t{y % ring_rows} * lanes; };
  auto source_row = [&](int32_t y) { return reinterpret_cast<const int16_t *>(image.row(y)); };
  int32_t lo = 0, hi = -1;  // the rows now in column_sums
  for (size_t j = 0; j < rows.size(); ++j) {
    const int32_t y = rows[j];
    const int32_t new_lo = std::max(0, y - column_radius);
    const int32_t new_hi = std::min(image.ny - 1, y + column_radius);
    for (int32_t t = lo; t <= std::min(hi, new_lo - 1); ++t) {
      subtract_lanes(column_sums.data(), ring_row(t), lanes);
    }
    for (int32_t t = std::max(new_lo, hi + 1); t <= new_hi; ++t) {
      sample_row(rule, source_row(t), image.nx, listed,
                 prefix.data(), row_sums.data(), values.data(), parameters.data(), ring_row(t));
      add_lanes(column_sums.data(), ring_row(t), lanes);
    }
    lo = new_lo;
    hi = new_hi;
    apply_lanes_into(rule.for_window(new_hi - new_lo + 1), column_sums.data(), ring_row(y),
                     reinterpret_cast<int16_t *>(out + int64_t{width} * static_cast<int64_t>(j)),
                     parameters.data(), lanes);
  }
}

template <typename Rule>
PHOTOFILTER_INLINE void sampled_passes(Image &image, int32_t radius, const Rule &rule,
                                       std::span<const int32_t> columns,
                                       std::span<const int32_t> rows, Pixel *out) {
  if (image.nx <= 0 || image.ny <= 0 || columns.empty() || rows.empty()) return;
  const int32_t row_radius = effective_radius(radius, image.nx);
  const int32_t column_radius = effective_radius(radius, image.ny);
  if (image.nx <= kMaxLineFor32BitSums &&
      std::min<int64_t>(2 * int64_t{column_radius} + 1, image.ny) <= kMaxLineFor32BitSums) {
    sampled_passes_with<int32_t>(image, row_radius, column_radius, rule, columns, rows, out);
  } else {
    sampled_passes_with<int64_t>(image, row_radius, column_radius, rule, columns, rows, out);
  }
}

// Exact truncated quotients without a division. A divisor d is an integer
// below 2^35 held in a double, with its rounded reciprocal. For an integer
// numerator n with |n| < 2^53 and |n / d| <= 2^15, x = n * (1/d) carries two
// correctly rounded steps, a relative error below 2^-51, so x lies within
// 2^15 * 2^-51 = 2^-36 of n / d. A quotient that is not an integer lies at
// least 1/d > 2^-35 from every integer, so x truncates as n / d does (the
// same open interval between two integers, on the same side of 0). A
// quotient k that is an integer may come out a hair on either side of k,
// but then x rounds to the nearest integer k, and k * d == n holds exactly
// (|k * d| < 2^51); for any other quotient no integer times d equals n.
struct Divisor {
  double value;
  double reciprocal;

  explicit Divisor(double d) : value(d), reciprocal(1 / d) {}
};

// Divisors of this size or more are outside the proof above.
constexpr double kExactDivisorLimit = 34359738368.0;  // 2^35

// trunc(n / d) for n and d as above. The conversion to an integer does the
// truncation (std::trunc followed by the conversion keeps the loops from
// vectorising), and its argument lies within the 16-bit range, give or
// take 2^-36.
PHOTOFILTER_INLINE int32_t truncated_quotient(double n, const Divisor &d) {
  const double x = n * d.reciprocal;
  const double nearest = std::nearbyint(x);
  return static_cast<int32_t>(nearest * d.value == n ? nearest : x);
}

// The numerators whose truncated quotient by d is u form the range
// low .. low + d - 1, with low = d*u for numerators of 0 or more (where
// truncation is the floor) and low = d*u - (d - 1) for negative ones
// (where it is the ceiling). `low` takes the side of the numerator n it
// is given, so that for that n
//   trunc(n / d) < u  exactly when  n < low,
//   trunc(n / d) > u  exactly when  n > low + d - 1.
// Int is int32_t where d * (|u| + 1) fits 32 bits, else int64_t.
template <typename Int>
PHOTOFILTER_INLINE Int quotient_range_low(Int n, Int d, Int u) {
  return d * u - (n < 0 ? d - 1 : 0);
}

// trunc(n / d) in 32-bit integers for 0 < d < 2^16 and |n / d| <= 2^15 (so
// |n| < 2^31). The float estimate x = n * (1/d) carries three rounding
// steps of relative error 2^-24 each, so it lies within 3 * 2^15 * 2^-24 <
// 0.01 of n / d, and its truncation e within 1 of the quotient. The
// remainder r = n - d*e, below 2d in magnitude, tells which: with low as
// above for u = e, the quotient is e - 1 when r < low - d*e and e + 1 when
// r > low - d*e + d - 1. d*e may leave 32 bits at the very ends of the
// range, so r is taken modulo 2^32, which leaves its small value exact.
struct SmallDivisor {
  int32_t value;
  float reciprocal;

  explicit SmallDivisor(int32_t d) : value(d), reciprocal(1.0f / static_cast<float>(d)) {}
};

PHOTOFILTER_INLINE int32_t truncated_quotient(int32_t n, const SmallDivisor &d) {
  const auto estimate = static_cast<int32_t>(static_cast<float>(n) * d.reciprocal);
  const auto remainder = static_cast<int32_t>(static_cast<uint32_t>(n) -
                                              static_cast<uint32_t>(d.value) *
                                                  static_cast<uint32_t>(estimate));
  const int32_t below = n < 0 ? d.value - 1 : 0;  // d*e - low
  return estimate - (remainder < -below ? 1 : 0) + (remainder > d.value - 1 - below ? 1 : 0);
}

}  // namespace photofilter::running_window
