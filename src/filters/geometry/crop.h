// The crop ("-cr") between its handler and its byte entry point: the plan.
#pragma once

#include <cstdint>
#include <optional>

#include "image/image.h"

namespace photofilter {

// Columns x0 .. x1 - 1 and rows y0 .. y1 - 1, inside the image.
struct Rectangle {
  int64_t x0, y0, x1, y1;

  int32_t width() const { return static_cast<int32_t>(x1 - x0); }
  int32_t height() const { return static_cast<int32_t>(y1 - y0); }
};

// Scans and checks the word and logs the rectangle to cut out; none when
// an aspect band leaves the image as it is.
std::optional<Rectangle> crop_plan(const char *word, const ImageHeader &image);

}  // namespace photofilter
