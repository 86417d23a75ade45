// Saturation ("-cs") by lookup for pixels whose samples all lie in 0..255:
// photos mostly hold such pixels, and each then needs three lookups
// instead of extended arithmetic.
//
// Contract: for a pixel with r, g, b in 0..255, ChannelTablesInRange(f)
// .apply(r, g, b) gives saturated_sample(r + g + b, s, f_c) for each
// channel's sample s and factor f_c, so saturate_pixels_by_tables equals
// saturate_pixel on every pixel of any image. Proof: the entry for (sum,
// s) is saturated_sample(sum, s, f) itself, made for every sum 0..765 and
// every s 0..255, which are all the arguments such a pixel can give; a
// pixel with a sample outside 0..255 takes saturate_pixel directly.
#pragma once

#include <cstdint>
#include <vector>

#include "filters/color/channel_parameters.h"
#include "filters/color/point_correction.h"
#include "image/image.h"

namespace photofilter {

// saturated_sample(sum, s, factor) for every sample 0..255 with every sum
// 0..765 of one factor.
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

// The tables pay for themselves once the image has as many pixels as they
// have entries.
inline bool saturation_tables_pay(int64_t pixel_count) {
  return pixel_count >= InRangeTable::kEntries;
}

// saturate_pixel on every pixel: lookups for pixels in 0..255 and the rule
// itself for the rest.
inline void saturate_pixels_by_tables(Pixel *pixels, int64_t count, const ChannelValues &f,
                                      const ChannelTablesInRange &tables) {
  for (int64_t i = 0; i < count; ++i) {
    Pixel &p = pixels[i];
    if (!in_byte_range(p)) {
      saturate_pixel(p, f);
      continue;
    }
    tables.apply(p.r, p.g, p.b, p.r, p.g, p.b);
  }
}

}  // namespace photofilter
