// "-cs f_r,f_g,f_b,n": every channel moves away from (factor above 1) or
// toward (below 1) the pixel's grey value m = (r + g + b) / 3:
// t = trunc(m + f * (s - m)) in extended precision, and a negative t is
// stored one unit nearer zero (the stored value is trunc(t + 0.1)).
#include <cstdio>
#include <vector>

#include "filters/color/channel_parameters.h"
#include "filters/color/color_commands.h"
#include "image/multiversion.h"
#include "image/sample.h"
#include "image/step_timer.h"

namespace photofilter {
namespace {

// The stored value of a sample of a pixel whose samples sum to `sum`.
int16_t saturated_sample(int32_t sum, int32_t sample, double factor) {
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

bool in_byte_range(const Pixel &p) {
  return ((static_cast<uint16_t>(p.r) | static_cast<uint16_t>(p.g) |
           static_cast<uint16_t>(p.b)) & 0xFF00) == 0;
}

void saturate_pixel(Pixel &p, const ChannelValues &f) {
  const int32_t sum = p.r + p.g + p.b;
  p.r = saturated_sample(sum, p.r, f.r);
  p.g = saturated_sample(sum, p.g, f.g);
  p.b = saturated_sample(sum, p.b, f.b);
}

PHOTOFILTER_MULTIVERSION void saturate_pixels(Pixel *pixels, int64_t count,
                                              const ChannelValues &f) {
  for (int64_t i = 0; i < count; ++i) saturate_pixel(pixels[i], f);
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

// Lookups for pixels in 0..255 and extended arithmetic for the rest.
void saturate_pixels_by_tables(Pixel *pixels, int64_t count, const ChannelValues &f) {
  const ChannelTablesInRange tables(f);
  for (int64_t i = 0; i < count; ++i) {
    Pixel &p = pixels[i];
    if (!in_byte_range(p)) {
      saturate_pixel(p, f);
      continue;
    }
    tables.apply(p.r, p.g, p.b, p.r, p.g, p.b);
  }
}

// A packed image holds bytes only: it stays packed when every result is a
// byte, or when the image is written next and results are clamped then
// anyway. Returns false when it has to be widened instead.
bool saturate_packed(Image &image, const ChannelValues &f) {
  const ChannelTablesInRange tables(f);
  if (!image.written_next && !tables.results_are_bytes()) return false;
  uint8_t *bytes = image.packed_bytes();
  for (int64_t i = 0; i < image.pixel_count(); ++i, bytes += 3) {
    int16_t r, g, b;
    tables.apply(bytes[0], bytes[1], bytes[2], r, g, b);
    bytes[0] = clamp_to_byte(r);
    bytes[1] = clamp_to_byte(g);
    bytes[2] = clamp_to_byte(b);
  }
  return true;
}

void saturate_image(Image &image, const ChannelValues &f) {
  // The tables pay for themselves once the image has as many pixels as
  // they have entries.
  const bool tables_pay = image.pixel_count() >= InRangeTable::kEntries;
  if (image.packed) {
    if (tables_pay && saturate_packed(image, f)) return;
    image.unpack_pixels();
  }
  if (tables_pay) {
    saturate_pixels_by_tables(image.pixels.get(), image.pixel_count(), f);
  } else {
    saturate_pixels(image.pixels.get(), image.pixel_count(), f);
  }
}

}  // namespace

void color_saturation_correction(const char *word, Image &image) {
  const ChannelCurve p = scan_channel_curve(word);
  std::fprintf(stderr, "saturation %g,%g,%g,%d\n", p.values.r, p.values.g, p.values.b, p.n);
  saturate_image(image, p.values);
  step_timer("color saturation correction");
}

}  // namespace photofilter
