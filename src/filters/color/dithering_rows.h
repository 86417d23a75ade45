// The walk of "-cd" over the rows of either image type: Pixels, or bytes
// whose result is written next. The phase runs on from pixel to pixel and
// row to row; each pixel's move is noted first, then the moves are added
// to the row's samples.
#pragma once

#include <cstdint>
#include <vector>

#include "filters/color/dither_state.h"
#include "image/byte_image.h"
#include "image/channel_dither.h"
#include "image/dither_phases.h"
#include "image/multiversion.h"
#include "image/parallel.h"
#include "image/sample.h"
#include "image/step_timer.h"

namespace photofilter {

using DitherMove = ChannelMove<int32_t>;

// An amount beyond +-65536 saturates every sample it touches just as that
// bound does, and the bound keeps sums in 32 bits.
inline int32_t bounded_amount(int32_t amount) {
  return amount < -65536 ? -65536 : (amount > 65536 ? 65536 : amount);
}

// The next phase, (sum + phase) % 6 with the remainder truncated toward
// zero. Where the sum is at least 5, sum + phase cannot be negative, so the
// remainder of the sum alone (which does not wait for the previous pixel)
// plus the phase, brought into 0..5, is the same value and keeps the chain
// from pixel to pixel short.
PHOTOFILTER_INLINE int64_t next_phase(int64_t sum, int64_t phase) {
  if (sum < 5) return (sum + phase) % 6;
  const int64_t v = sum % 6 + phase;
  return v < 0 ? v + 6 : (v >= 6 ? v - 6 : v);
}

// The phases of one row depend each on the one before, so they are found
// first, one pixel after the other, and only noted as moves.
template <typename Row>
PHOTOFILTER_INLINE int64_t note_row_moves(const Row *row, int32_t nx, int32_t y, int64_t phase,
                                          const PhaseMoves<int32_t> &moves, DitherMove *noted) {
  for (int32_t x = 0; x < nx; ++x) {
    phase = next_phase(channel_sum_at(row, x) + x + int64_t{y}, phase);
    noted[x] = moves[phase];
  }
  return phase;
}

// The moves are then added with saturation, independently per sample; a
// row of bytes is written next, so its samples are clamped to bytes as the
// writer clamps Pixels.
PHOTOFILTER_INLINE void add_row_moves(Pixel *row, int32_t nx, const DitherMove *noted) {
  for (int32_t x = 0; x < nx; ++x) {
    Pixel &p = row[x];
    p.r = saturate_sample(p.r + noted[x].r);
    p.g = saturate_sample(p.g + noted[x].g);
    p.b = saturate_sample(p.b + noted[x].b);
  }
}
PHOTOFILTER_INLINE void add_row_moves(uint8_t *row, int32_t nx, const DitherMove *noted) {
  for (int32_t x = 0; x < nx; ++x, row += 3) {
    row[0] = clamp_to_byte(saturate_sample(row[0] + noted[x].r));
    row[1] = clamp_to_byte(saturate_sample(row[1] + noted[x].g));
    row[2] = clamp_to_byte(saturate_sample(row[2] + noted[x].b));
  }
}

// Rows y0 .. y1 - 1, each from its start phase, or, without start phases,
// with the phase carried on from row to row from `phase`. Returns the
// phase after the last row.
template <typename AnyImage>
PHOTOFILTER_MULTIVERSION int64_t dither_rows(AnyImage &image, const int64_t *start_phases,
                                             int64_t phase, const PhaseMoves<int32_t> &moves,
                                             int32_t y0, int32_t y1) {
  std::vector<DitherMove> noted(static_cast<size_t>(image.nx));
  for (int32_t y = y0; y < y1; ++y) {
    if (start_phases != nullptr) phase = start_phases[y];
    phase = note_row_moves(image.row(y), image.nx, y, phase, moves, noted.data());
    add_row_moves(image.row(y), image.nx, noted.data());
  }
  return phase;
}

// The whole image, from the run's dither phase on, which it then carries.
// With one thread the phase runs on from row to row; with more, each row's
// phases come from its own samples before they change and the phase it
// starts with, which is worked out ahead, so the rows go over the threads.
template <typename AnyImage>
void dither_image(AnyImage &image, int32_t amount) {
  const PhaseMoves<int32_t> moves(bounded_amount(amount));
  int64_t phase = dither_state();
  if (run_threads() == 1) {
    phase = dither_rows(image, nullptr, phase, moves, 0, image.ny);
  } else {
    const RowPhases phases = dither_row_phases(image, phase);
    split_rows(image, [&](int32_t y0, int32_t y1) {
      dither_rows(image, phases.start.data(), 0, moves, y0, y1);
    });
    phase = phases.end;
  }
  if (image.ny > 0) dither_state() = static_cast<int32_t>(phase);
  step_timer("color dithering done");
}

// The amplitude as scanned and logged.
int color_dithering_plan(const char *word);

// dither_image on Pixels (its one instance, in the handler's file).
void dither_pixels(Image &image, int32_t amount);

}  // namespace photofilter
