// The stored value of "-cs" for a sample, and tables of it for pixels
// whose samples are all 0..255. Every entry is computed by the rule
// itself, so a lookup gives exactly what the rule gives.
#pragma once

#include <cstdint>
#include <vector>

#include "filters/color/channel_parameters.h"
#include "image/image.h"
#include "image/sample.h"

namespace photofilter {

// The stored value of a sample of a pixel whose samples sum to `sum`.
inline int16_t saturated_sample(int32_t sum, int32_t sample, double factor) {
  const long double m = static_cast<long double>(sum) / 3;
  const int32_t t = truncate_to<int32_t>(m + factor * (sample - m));
  return truncate_to_sample(t + 0.1);
}

// The result for every sample 0..255 with every sum 0..765 of one factor:
// photos mostly hold samples in 0..255, and such a pixel then needs three
// lookups instead of extended arithmetic.
class InRangeTable {
 public:
  static constexpr int32_t kSamples = 256;
  static constexpr int32_t kSums = 3 * 255 + 1;
  static constexpr int64_t kEntries = int64_t{kSums} * kSamples;

  explicit InRangeTable(double factor) : factor_(factor), values_(kEntries) {
    for (int32_t sum = 0; sum < kSums; ++sum) {
      for (int32_t s = 0; s < kSamples; ++s) {
        values_[sum * kSamples + s] = saturated_sample(sum, s, factor);
      }
    }
  }

  double factor() const { return factor_; }

  // Row of the results for one sum, indexed by the sample.
  const int16_t *for_sum(int32_t sum) const { return values_.data() + sum * kSamples; }

 private:
  double factor_;
  std::vector<int16_t> values_;
};

inline bool in_byte_range(const Pixel &p) {
  return ((static_cast<uint16_t>(p.r) | static_cast<uint16_t>(p.g) |
           static_cast<uint16_t>(p.b)) & 0xFF00) == 0;
}

// The tables of the three channels, shared where factors are equal.
class ChannelTablesInRange {
 public:
  explicit ChannelTablesInRange(const ChannelValues &f) {
    tables_.reserve(3);  // references to the tables stay valid
    red_ = &table_for(f.r);
    green_ = &table_for(f.g);
    blue_ = &table_for(f.b);
  }

  // New r, g, b of a pixel whose samples are all 0..255.
  void apply(int32_t r, int32_t g, int32_t b, int16_t &new_r, int16_t &new_g,
             int16_t &new_b) const {
    const int32_t sum = r + g + b;
    new_r = red_->for_sum(sum)[r];
    new_g = green_->for_sum(sum)[g];
    new_b = blue_->for_sum(sum)[b];
  }

  // Whether every result lies in 0..255.
  bool results_are_bytes() const {
    for (const InRangeTable &table : tables_) {
      for (int32_t sum = 0; sum < InRangeTable::kSums; ++sum) {
        for (int32_t s = 0; s < InRangeTable::kSamples; ++s) {
          const int16_t v = table.for_sum(sum)[s];
          if (v < 0 || v > 255) return false;
        }
      }
    }
    return true;
  }

 private:
  const InRangeTable &table_for(double factor) {
    for (const InRangeTable &table : tables_) {
      if (table.factor() == factor) return table;
    }
    return tables_.emplace_back(factor);
  }

  std::vector<InRangeTable> tables_;
  const InRangeTable *red_ = nullptr;
  const InRangeTable *green_ = nullptr;
  const InRangeTable *blue_ = nullptr;
};

}  // namespace photofilter
