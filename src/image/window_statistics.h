// Statistics of a set of pixels (a sampled window, or a ring of
// neighbours): the smallest and largest r + g + b, the smallest and
// largest value of each channel, and each channel's integer mean. The
// fringe corrections and single pixel removal gather them for the window
// they are deciding on.
#pragma once

#include <algorithm>
#include <cstdint>

#include "image/image.h"

namespace photofilter {

class WindowStatistics {
 public:
  // Minima start at 30000 and maxima at 0, so a maximum is never below 0
  // and a minimum never above 30000.
  static constexpr int32_t kMinimumStart = 30000;
  static constexpr int32_t kMaximumStart = 0;

  void add(const Pixel &p) {
    const int32_t sum = int32_t{p.r} + p.g + p.b;
    sum_min_ = std::min(sum_min_, sum);
    sum_max_ = std::max(sum_max_, sum);
    r_min_ = std::min<int32_t>(r_min_, p.r);
    r_max_ = std::max<int32_t>(r_max_, p.r);
    g_min_ = std::min<int32_t>(g_min_, p.g);
    g_max_ = std::max<int32_t>(g_max_, p.g);
    b_min_ = std::min<int32_t>(b_min_, p.b);
    b_max_ = std::max<int32_t>(b_max_, p.b);
    r_sum_ += p.r;
    g_sum_ += p.g;
    b_sum_ += p.b;
    ++count_;
  }

  int32_t sum_min() const { return sum_min_; }
  int32_t sum_max() const { return sum_max_; }
  int32_t r_min() const { return r_min_; }
  int32_t r_max() const { return r_max_; }
  int32_t g_min() const { return g_min_; }
  int32_t g_max() const { return g_max_; }
  int32_t b_min() const { return b_min_; }
  int32_t b_max() const { return b_max_; }

  // The channel sums divided by the number of pixels, truncated (0 for no
  // pixel).
  int32_t r_mean() const { return mean(r_sum_); }
  int32_t g_mean() const { return mean(g_sum_); }
  int32_t b_mean() const { return mean(b_sum_); }

 private:
  int32_t mean(int64_t sum) const { return count_ > 0 ? static_cast<int32_t>(sum / count_) : 0; }

  int32_t sum_min_ = kMinimumStart, sum_max_ = kMaximumStart;
  int32_t r_min_ = kMinimumStart, r_max_ = kMaximumStart;
  int32_t g_min_ = kMinimumStart, g_max_ = kMaximumStart;
  int32_t b_min_ = kMinimumStart, b_max_ = kMaximumStart;
  int64_t r_sum_ = 0, g_sum_ = 0, b_sum_ = 0;
  int64_t count_ = 0;
};

}  // namespace photofilter
