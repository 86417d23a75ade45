// The colour dither move shared by colour dithering and the contour stage
// of the full noise reduction: a phase 0..5 picks one of the six ordered
// pairs of distinct channels, and `amount` moves from the second channel
// of the pair to the first, so r + g + b is kept.
#pragma once

#include <cstdint>

namespace photofilter {

//   phase  0     1     2     3     4     5
//   adds   r     r     g     g     b     b
//   takes  g     b     r     b     g     r
// Any other phase (the negative remainders of a negative sum) moves nothing.
template <typename Value, typename Amount>
constexpr void move_between_channels(int phase, Amount amount, Value &r, Value &g, Value &b) {
  switch (phase) {
    case 0: r += amount; g -= amount; break;
    case 1: r += amount; b -= amount; break;
    case 2: g += amount; r -= amount; break;
    case 3: g += amount; b -= amount; break;
    case 4: b += amount; g -= amount; break;
    case 5: b += amount; r -= amount; break;
    default: break;
  }
}

// The change a move makes to each sample of a pixel: +amount, -amount or
// 0. The unused fourth value makes a move as wide as a pixel's four lanes.
template <typename Value>
struct ChannelMove {
  Value r = 0, g = 0, b = 0, unused = 0;
};

// The move of every phase -5..5 for one amount, worked out once, so that a
// pixel loop adds its phase's entry instead of jumping on a pseudo-random
// phase. Each entry is move_between_channels applied to zeros.
template <typename Value>
class PhaseMoves {
 public:
  explicit PhaseMoves(Value amount) {
    for (int phase = -5; phase <= 5; ++phase) {
      ChannelMove<Value> &move = moves_[phase + 5];
      move_between_channels(phase, amount, move.r, move.g, move.b);
    }
  }
  const ChannelMove<Value> &operator[](int64_t phase) const { return moves_[phase + 5]; }

 private:
  ChannelMove<Value> moves_[11];
};

}  // namespace photofilter
