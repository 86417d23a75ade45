// Per-sample curves as tables: one entry for every value a 16-bit sample
// can hold, so that a whole image costs one lookup per sample however
// costly the arithmetic behind an entry is.
//
// Contract: apply_channel_tables(image, r, g, b) gives every pixel the
// samples r(p.r), g(p.g), b(p.b) and leaves aux, for every image. A table
// made by `of(rule)` holds rule(s) at every s, and one made by
// `on_full_scale(M, curve)` holds saturate_sample(curve(s)) at 0..M and s
// elsewhere, so a lookup gives exactly what the rule gives: each entry is
// the rule's own result for that very sample, and there is no sample
// without an entry.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "image/image.h"
#include "image/sample.h"

namespace photofilter {

class SampleTable {
 public:
  // The identity: every sample maps to itself.
  SampleTable();

  // Every entry from `rule(sample)`, sample -32768..32767.
  template <typename Rule>
  static SampleTable of(Rule rule) {
    SampleTable table;
    for (int32_t s = INT16_MIN; s <= INT16_MAX; ++s) table.set(s, rule(s));
    return table;
  }

  // The identity outside 0..full_scale and `curve(s)`, saturated to a
  // sample, inside. Only samples up to 32767 exist, so a larger full scale
  // needs no more entries; a negative one leaves the identity.
  template <typename Curve>
  static SampleTable on_full_scale(int full_scale, Curve curve) {
    SampleTable table;
    const int32_t last = std::min<int32_t>(full_scale, INT16_MAX);
    for (int32_t s = 0; s <= last; ++s) table.set(s, saturate_sample(curve(s)));
    return table;
  }

  void set(int32_t sample, int16_t value) { values_[sample - INT16_MIN] = value; }
  int16_t operator()(int16_t sample) const { return values_[sample - INT16_MIN]; }

  // Entry for sample 0; samples index it directly from -32768 to 32767.
  const int16_t *centre() const { return values_.data() - INT16_MIN; }

 private:
  std::vector<int16_t> values_;
};

struct ChannelTables {
  SampleTable r;
  SampleTable g;
  SampleTable b;
};

// Replaces r, g and b of every pixel through the table of its channel
// (one table may stand for several channels).
void apply_channel_tables(Image &image, const SampleTable &r, const SampleTable &g,
                          const SampleTable &b);

inline void apply_channel_tables(Image &image, const ChannelTables &tables) {
  apply_channel_tables(image, tables.r, tables.g, tables.b);
}

}  // namespace photofilter
