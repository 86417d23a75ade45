// weighted_blur equals weighted_blur_plain for every image, radius and
// weight, and weighted_blur_sampled equals weighted_blur_plain at the
// listed points. Why: the passes (running_window_rows.h,
// running_window_columns.h, running_window_sampled.h) give every sample
// the rule's value for the same window sum, window size and old value as
// the plain line-by-line passes, and every form of the rule that
// blur_rules::with_rule picks gives the value of the rule as defined
// (blur_rules.h). A weight of 0 leaves every sample as it is:
// (0*S/c + v) / 1 is v.
#include <algorithm>
#include <cstdint>

#include "image/blur_rules.h"
#include "image/kernels.h"
#include "image/multiversion.h"
#include "image/parallel.h"
#include "image/running_window_columns.h"
#include "image/running_window_rows.h"
#include "image/running_window_sampled.h"

namespace photofilter {
namespace {

template <typename Rule>
PHOTOFILTER_MULTIVERSION void blur_rows(Image &image, int32_t radius, Rule rule, int32_t y0,
                                        int32_t y1) {
  running_window::horizontal_pass(image, radius, rule, y0, y1);
}

template <typename Rule>
PHOTOFILTER_MULTIVERSION void blur_columns(Image &image, int32_t radius, Rule rule, int32_t x0,
                                           int32_t x1) {
  running_window::vertical_pass(image, radius, rule, x0, x1);
}

// Rows in bands, then columns in blocks, over the run's threads: every row
// and then every column is passed on its own.
template <typename Rule>
void blur_both_ways(Image &image, int32_t radius, Rule rule) {
  split_rows(image, [&](int32_t y0, int32_t y1) { blur_rows(image, radius, rule, y0, y1); });
  split_columns(image, [&](int32_t x0, int32_t x1) { blur_columns(image, radius, rule, x0, x1); });
}

template <typename Rule>
PHOTOFILTER_MULTIVERSION void blur_at_points(RowSource &source, int32_t radius, Rule rule,
                                             std::span<const int32_t> columns,
                                             std::span<const int32_t> rows, Pixel *out) {
  running_window::sampled_passes(source, radius, rule, columns, rows, out);
}

}  // namespace

void weighted_blur(Image &image, int32_t radius, double weight) {
  if (weight == 0) return;
  blur_rules::with_rule(weight, blur_rules::largest_window(image.nx, image.ny, radius),
                        [&](auto rule) { blur_both_ways(image, radius, rule); });
}

void weighted_blur_sampled(RowSource &source, int32_t radius, double weight,
                           std::span<const int32_t> columns, std::span<const int32_t> rows,
                           Pixel *out) {
  blur_rules::with_rule(
      weight, blur_rules::largest_window(source.width(), source.height(), radius),
      [&](auto rule) { blur_at_points(source, radius, rule, columns, rows, out); });
}

}  // namespace photofilter
