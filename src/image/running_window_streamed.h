// Both passes of a running-window kernel over an image still held as
// bytes whose result is written next, streamed: stream_passes_into_bytes(
// image, radius, rule, parameter) leaves every byte as widen, the
// horizontal and then the vertical pass of running_window_rows.h and
// running_window_columns.h with that rule, and the written image's clamp
// to 0..255 (narrow_row_to_bytes) leave it, for every image
// streams_bytes takes and every rule whose lane pattern gives r, g and b
// the same parameter. Why:
// - The horizontal pass of a row (running_window_byte_rows.h) gives the
//   values horizontal_pass gives on the widened row.
// - The vertical pass gives each sample of row i rule(S, c, v), with S
//   its column's sum of the horizontal results of rows max(0, i - r) ..
//   min(ny - 1, i + r), c their count and v the horizontal result of row
//   i: the values vertical_pass gives. The horizontal results are kept in
//   a ring of 2r + 2 rows, which holds every row from the one leaving the
//   window to the one entering it, and the sums move on one row at a time
//   exactly (32-bit sums of at most 129 rows of 16-bit samples).
// - aux, which the written image leaves out, is not computed at all.
// - Row i's bytes are written over row i once row i + r has entered the
//   window; by then every byte of the rows up to i + r has been read, and
//   no later step reads a row above i + r + 1 for the first time.
// With more than one band of rows over the threads, every band first
// keeps the horizontal results of the rows within the radius outside it,
// before any band writes, so no band reads a row another band writes.
// A rule type is instantiated in one source file only, so that its
// multiversioned passes have one home.
#pragma once

#include <algorithm>
#include <vector>

#include "image/byte_image.h"
#include "image/multiversion.h"
#include "image/parallel.h"
#include "image/running_window.h"
#include "image/running_window_byte_rows.h"
#include "image/sample.h"

namespace photofilter::running_window {
namespace streamed {

constexpr int32_t kMostStreamedRadius = 64;
using byte_rows::kChannels;
using byte_rows::blur_byte_row;

// bytes[j] = clamp_to_byte(rule(sums[j], window, values[j])).
template <typename WindowRule>
PHOTOFILTER_INLINE void write_rule_bytes(const WindowRule &window_rule,
                                         const int32_t *__restrict sums,
                                         const int16_t *__restrict values,
                                         uint8_t *__restrict bytes, int32_t parameter,
                                         int32_t count) {
  for (int32_t j = 0; j < count; ++j) {
    bytes[j] = clamp_to_byte(window_rule(sums[j], values[j], parameter));
  }
}

// The sums moved on by one row and the row's bytes written in one sweep.
template <typename WindowRule>
PHOTOFILTER_INLINE void slide_and_write_bytes(const WindowRule &window_rule,
                                              int32_t *__restrict sums,
                                              const int16_t *__restrict entering,
                                              const int16_t *__restrict leaving,
                                              const int16_t *__restrict values,
                                              uint8_t *__restrict bytes, int32_t parameter,
                                              int32_t count) {
  for (int32_t j = 0; j < count; ++j) {
    const int32_t sum = sums[j] + entering[j] - leaving[j];
    sums[j] = sum;
    bytes[j] = clamp_to_byte(window_rule(sum, values[j], parameter));
  }
}

PHOTOFILTER_INLINE void add_rows(int32_t *__restrict sums, const int16_t *__restrict row,
                                 int32_t count) {
  for (int32_t j = 0; j < count; ++j) sums[j] += row[j];
}

PHOTOFILTER_INLINE void subtract_rows(int32_t *__restrict sums, const int16_t *__restrict row,
                                      int32_t count) {
  for (int32_t j = 0; j < count; ++j) sums[j] -= row[j];
}

// Rows first .. end - 1 of the image, as bands over the threads write them.
struct Band {
  int32_t first;
  int32_t end;
};

template <typename Rule>
struct StreamedBlur {
  ByteImage &image;
  Rule rule;
  int32_t row_radius;     // the horizontal pass's, cut to the width
  int32_t column_radius;  // the vertical pass's, cut to the height
  int32_t parameter;      // r, g and b share theirs
  int32_t lanes;          // 3 a pixel

  int32_t top(const Band &band) const { return std::max(0, band.first - column_radius); }
  int32_t bottom(const Band &band) const {
    return std::min(image.ny, band.end + column_radius);
  }
  int32_t rows_outside(const Band &band) const {
    return band.first - top(band) + bottom(band) - band.end;
  }
  // Where the horizontal results of row y, a row outside the band within
  // its reach, are kept.
  int16_t *outside_row(const Band &band, std::vector<int16_t> &outside, int32_t y) const {
    const int32_t k = y < band.first ? y - top(band) : band.first - top(band) + y - band.end;
    return outside.data() + int64_t{k} * lanes;
  }
  PHOTOFILTER_INLINE void blur_row(int32_t y, int32_t *prefix, int16_t *out) const {
    blur_byte_row(rule, row_radius, parameter, image.row(y), image.nx, prefix, out);
  }
};

// The horizontal results of the rows within reach of the band that other
// bands write.
template <typename Rule>
PHOTOFILTER_MULTIVERSION void keep_rows_outside(const StreamedBlur<Rule> &blur, const Band &band,
                                                std::vector<int16_t> &outside) {
  outside.resize(static_cast<size_t>(blur.rows_outside(band)) * blur.lanes);
  std::vector<int32_t> prefix(static_cast<size_t>(blur.lanes) + kChannels + 1);
  for (int32_t y = blur.top(band); y < blur.bottom(band); ++y) {
    if (y >= band.first && y < band.end) continue;
    blur.blur_row(y, prefix.data(), blur.outside_row(band, outside, y));
  }
}

// One band's ring of horizontal results and its column sums. Its steps
// are inlined into stream_band, so that they run in the processor's own
// clone (a lambda there would be compiled once, for the oldest processor).
template <typename Rule>
struct BandStream {
  const StreamedBlur<Rule> &blur;
  const Band &band;
  std::vector<int16_t> &outside;
  int32_t ring_rows;  // 2r + 2: from the row leaving the window to the one entering it
  std::vector<int32_t> prefix;
  std::vector<int32_t> sums;
  std::vector<int16_t> ring;
  std::vector<const int16_t *> held;

  BandStream(const StreamedBlur<Rule> &b, const Band &d, std::vector<int16_t> &o)
      : blur(b),
        band(d),
        outside(o),
        ring_rows(2 * b.column_radius + 2),
        prefix(static_cast<size_t>(b.lanes) + kChannels + 1),
        sums(static_cast<size_t>(b.lanes)),
        ring(static_cast<size_t>(ring_rows) * b.lanes),
        held(static_cast<size_t>(ring_rows)) {}

  size_t slot(int32_t y) const { return static_cast<size_t>(y % ring_rows); }
  const int16_t *row_held(int32_t y) const { return held[slot(y)]; }

  // Row y's horizontal results, worked out now or kept outside the band.
  PHOTOFILTER_INLINE const int16_t *enter(int32_t y) {
    if (y < band.first || y >= band.end) {
      held[slot(y)] = blur.outside_row(band, outside, y);
    } else {
      int16_t *row = ring.data() + slot(y) * blur.lanes;
      blur.blur_row(y, prefix.data(), row);
      held[slot(y)] = row;
    }
    return held[slot(y)];
  }

  PHOTOFILTER_INLINE void write_row(int32_t i, int32_t window) {
    write_rule_bytes(blur.rule.for_window(window), sums.data(), row_held(i), blur.image.row(i),
                     blur.parameter, blur.lanes);
  }
};

// Both passes over the band's rows, written back as bytes.
template <typename Rule>
PHOTOFILTER_MULTIVERSION void stream_band(const StreamedBlur<Rule> &blur, const Band &band,
                                          std::vector<int16_t> &outside) {
  const int32_t ny = blur.image.ny;
  const int32_t lanes = blur.lanes;
  const int32_t r = blur.column_radius;
  BandStream<Rule> stream(blur, band, outside);
  int32_t *sums = stream.sums.data();
  int32_t window = 0;
  for (int32_t y = blur.top(band); y <= std::min(ny - 1, band.first + r); ++y) {
    add_rows(sums, stream.enter(y), lanes);
    ++window;
  }
  stream.write_row(band.first, window);
  const auto whole_window = blur.rule.for_window(std::min(2 * r + 1, ny));
  for (int32_t i = band.first + 1; i < band.end; ++i) {
    const bool entering = i + r < ny;
    const bool leaving = i - r - 1 >= 0;
    if (entering && leaving && r > 0) {  // the window slides: one sweep
      const int16_t *entered = stream.enter(i + r);
      slide_and_write_bytes(whole_window, sums, entered, stream.row_held(i - r - 1),
                            stream.row_held(i), blur.image.row(i), blur.parameter, lanes);
      continue;
    }
    if (entering) {
      add_rows(sums, stream.enter(i + r), lanes);
      ++window;
    }
    if (leaving) {
      subtract_rows(sums, stream.row_held(i - r - 1), lanes);
      --window;
    }
    stream.write_row(i, window);
  }
}

// Bands of at least enough rows to be worth a thread and four radii tall,
// so that the rows kept outside each stay a small share of its work.
inline int32_t band_count(const ImageHeader &image, int32_t column_radius) {
  const int64_t smallest_rows = std::max<int64_t>(
      {1, kSmallestPixelPart / std::max(image.nx, 1), 4 * int64_t{column_radius}});
  return static_cast<int32_t>(std::clamp<int64_t>(image.ny / smallest_rows, 1, run_threads()));
}

template <typename Rule>
void stream_bands(const StreamedBlur<Rule> &blur) {
  const int32_t bands = band_count(blur.image, blur.column_radius);
  auto band = [&](int64_t k) {
    return Band{static_cast<int32_t>(blur.image.ny * k / bands),
                static_cast<int32_t>(blur.image.ny * (k + 1) / bands)};
  };
  std::vector<std::vector<int16_t>> outside(static_cast<size_t>(bands));
  // Every band's outside rows are read before any band writes.
  split_work(bands, 1, [&](int64_t begin, int64_t end) {
    for (int64_t k = begin; k < end; ++k) keep_rows_outside(blur, band(k), outside[k]);
  });
  split_work(bands, 1, [&](int64_t begin, int64_t end) {
    for (int64_t k = begin; k < end; ++k) stream_band(blur, band(k), outside[k]);
  });
}


}  // namespace streamed

// Whether stream_passes_into_bytes takes an image of this size with this
// radius: rows of at most 32767 pixels (their sums fit 32 bits) and a
// window of rows short enough to keep in cache (at most 64 rows each way
// once the radius is cut to the image's height).
inline bool streams_bytes(const ImageHeader &image, int32_t radius) {
  return image.nx <= kMaxLineFor32BitSums &&
         effective_radius(radius, image.ny) <= streamed::kMostStreamedRadius;
}

// Both passes of `rule`, the radius cut to the width and to the height as
// the passes cut it, with `parameter` as the lane parameter of r, g and b.
template <typename Rule>
void stream_passes_into_bytes(ByteImage &image, int32_t radius, const Rule &rule,
                              int32_t parameter) {
  if (image.pixel_count() == 0) return;
  streamed::stream_bands(streamed::StreamedBlur<Rule>{
      image, rule, effective_radius(radius, image.nx), effective_radius(radius, image.ny),
      parameter, image.nx * streamed::kChannels});
}

}  // namespace photofilter::running_window
