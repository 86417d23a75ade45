// The sampled passes: sampled_passes(source, radius, rule, columns, rows,
// out) writes into out what horizontal_pass then vertical_pass (the plain
// passes of kernels_plain.cc) leave at the listed columns of the listed
// rows, both lists not decreasing, for any image, radius and rule. The
// vertical window of a listed row covers only rows within the radius, and
// the vertical rule at a listed column reads only the horizontal results
// in that column: so each row within the radius of a listed row gets the
// horizontal rule at the listed columns only (its windows, sums and old
// values as in the whole pass), into a ring of such compact rows; the
// vertical window sums run down the compact columns, rows entering and
// leaving as the listed rows move down, and the vertical rule is applied
// at the listed rows only. Sums are exact as in the whole passes.
//
// Rows are asked of the source each once, in increasing order, and each is
// used up before the next is asked for. Out row j (out[j * width] ..
// out[(j + 1) * width - 1], width = columns.size()) is written after the
// rows up to the end of its vertical window, min(rows[j] + radius, height
// - 1), have been asked for and before any later row is.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "image/image.h"
#include "image/multiversion.h"
#include "image/row_source.h"
#include "image/running_window.h"
#include "image/running_window_rows.h"

namespace photofilter::running_window {

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
      at.push_back(x * kSamplesPerPixel);
      behind.push_back(first * kSamplesPerPixel);
      ahead.push_back((last + 1) * kSamplesPerPixel);
    }
  }
};

// out[j] = window_rule(sums[j], values[j], parameter[j]) for `count` lanes.
template <typename Sum, typename WindowRule>
PHOTOFILTER_INLINE void apply_window_rule_into(const WindowRule &window_rule,
                                               const Sum *__restrict sums,
                                               const int16_t *__restrict values,
                                               int16_t *__restrict out,
                                               const int32_t *__restrict parameters,
                                               int32_t count) {
  for (int32_t j = 0; j < count; ++j) out[j] = window_rule(sums[j], values[j], parameters[j]);
}

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
    for (int lane = 0; lane < kSamplesPerPixel; ++lane) {
      sums[k * kSamplesPerPixel + lane] = ahead[lane] - behind[lane];
      values[k * kSamplesPerPixel + lane] = value[lane];
    }
  }
  int32_t k = 0;
  for (size_t run = 0; run < columns.run_ends.size(); ++run) {
    const int32_t end = columns.run_ends[run];
    const int32_t first = k * kSamplesPerPixel;
    apply_window_rule_into(rule.for_window(columns.run_windows[run]), sums + first,
                           values + first, out + first, parameters + first,
                           (end - k) * kSamplesPerPixel);
    k = end;
  }
}

template <typename Sum, typename Rule>
PHOTOFILTER_INLINE void sampled_passes_with(RowSource &source, int32_t row_radius,
                                            int32_t column_radius, const Rule &rule,
                                            std::span<const int32_t> columns,
                                            std::span<const int32_t> rows, Pixel *out) {
  const int32_t nx = source.width(), ny = source.height();
  const auto width = static_cast<int32_t>(columns.size());
  const int32_t lane_count = width * kSamplesPerPixel;
  const int32_t ring_rows = std::min(2 * column_radius + 1, ny);
  std::vector<Sum> prefix(static_cast<size_t>(nx + 1) * kSamplesPerPixel);
  std::vector<Sum> row_sums(static_cast<size_t>(lane_count));
  std::vector<int16_t> values(static_cast<size_t>(lane_count));
  std::vector<int16_t> ring(static_cast<size_t>(ring_rows) * lane_count);
  std::vector<Sum> column_sums(static_cast<size_t>(lane_count), Sum{0});
  const std::vector<int32_t> parameters = lane_parameters(rule, width);
  const ListedColumns listed(columns, row_radius, nx);
  auto ring_row = [&](int32_t y) { return ring.data() + int64_t{y % ring_rows} * lane_count; };
  auto source_row = [&](int32_t y) { return reinterpret_cast<const int16_t *>(source.row(y)); };
  int32_t lo = 0, hi = -1;  // the rows now in column_sums
  for (size_t j = 0; j < rows.size(); ++j) {
    const int32_t y = rows[j];
    const int32_t new_lo = std::max(0, y - column_radius);
    const int32_t new_hi = std::min(ny - 1, y + column_radius);
    for (int32_t t = lo; t <= std::min(hi, new_lo - 1); ++t) {
      subtract_lanes(column_sums.data(), ring_row(t), lane_count);
    }
    for (int32_t t = std::max(new_lo, hi + 1); t <= new_hi; ++t) {
      sample_row(rule, source_row(t), nx, listed, prefix.data(), row_sums.data(), values.data(),
                 parameters.data(), ring_row(t));
      add_lanes(column_sums.data(), ring_row(t), lane_count);
    }
    lo = new_lo;
    hi = new_hi;
    apply_window_rule_into(
        rule.for_window(new_hi - new_lo + 1), column_sums.data(), ring_row(y),
        reinterpret_cast<int16_t *>(out + int64_t{width} * static_cast<int64_t>(j)),
        parameters.data(), lane_count);
  }
}

template <typename Rule>
PHOTOFILTER_INLINE void sampled_passes(RowSource &source, int32_t radius, const Rule &rule,
                                       std::span<const int32_t> columns,
                                       std::span<const int32_t> rows, Pixel *out) {
  const int32_t nx = source.width(), ny = source.height();
  if (nx <= 0 || ny <= 0 || columns.empty() || rows.empty()) return;
  const int32_t row_radius = effective_radius(radius, nx);
  const int32_t column_radius = effective_radius(radius, ny);
  if (nx <= kMaxLineFor32BitSums &&
      std::min<int64_t>(2 * int64_t{column_radius} + 1, ny) <= kMaxLineFor32BitSums) {
    sampled_passes_with<int32_t>(source, row_radius, column_radius, rule, columns, rows, out);
  } else {
    sampled_passes_with<int64_t>(source, row_radius, column_radius, rule, columns, rows, out);
  }
}

}  // namespace photofilter::running_window
