// Point operations as tables: one entry for every value a 16-bit sample can
// hold, so that a whole image costs one lookup per sample however costly
// the arithmetic behind an entry is.
#pragma once

#include <cstdint>
#include <vector>

#include "image/image.h"

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

// Replaces r, g and b of every pixel through its channel's table.
void apply_channel_tables(Image &image, const ChannelTables &tables);

}  // namespace photofilter
