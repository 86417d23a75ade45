// Work split over the run's threads. A run has one thread unless it asks
// for more (--threads); work is split only into parts whose results do not
// depend on one another, so the bytes are the same for any count.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>

#include "image/image.h"

namespace photofilter {

// The threads a run works with, 1 or more (1 at start).
void set_run_threads(int count);
int run_threads();

// The processors this process may run on (sched_getaffinity), at least 1.
int available_processors();

// Calls work(begin, end) on disjoint ranges that together cover
// [0, count), at most one per thread and none shorter than smallest_part
// (so that small work starts no thread), and returns when all are done.
// The calling thread takes the first range. An exception thrown by a part
// is rethrown here once every part has ended. A part that splits work
// again runs it itself.
void split_work(int64_t count, int64_t smallest_part,
                const std::function<void(int64_t begin, int64_t end)> &work);

// Items per part below which a pass over pixels is not split: starting a
// part costs about as much as this many pixels.
constexpr int64_t kSmallestPixelPart = 1 << 16;

// split_work over `count` pixels, rows of `image` or its columns; a part
// gets work(begin, end) with the first and one past the last of its
// pixels, rows or columns.
template <typename Work>
void split_pixels(int64_t count, Work &&work) {
  split_work(count, kSmallestPixelPart, work);
}
template <typename Work>
void split_rows(const ImageHeader &image, Work &&work) {
  const int64_t smallest = std::max<int64_t>(1, kSmallestPixelPart / std::max(image.nx, 1));
  split_work(image.ny, smallest, [&](int64_t y0, int64_t y1) {
    work(static_cast<int32_t>(y0), static_cast<int32_t>(y1));
  });
}
template <typename Work>
void split_columns(const ImageHeader &image, Work &&work) {
  const int64_t smallest = std::max<int64_t>(64, kSmallestPixelPart / std::max(image.ny, 1));
  split_work(image.nx, smallest, [&](int64_t x0, int64_t x1) {
    work(static_cast<int32_t>(x0), static_cast<int32_t>(x1));
  });
}

}  // namespace photofilter
