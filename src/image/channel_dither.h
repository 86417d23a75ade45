// The colour dither move shared by colour dithering and the contour stage
// of the full noise reduction: a phase 0..5 picks one of the six ordered
// pairs of distinct channels, and `amount` moves from the second channel
// of the pair to the first, so r + g + b is kept.
#pragma once

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

}  // namespace photofilter
