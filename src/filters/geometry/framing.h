// The framing ("-fr") between its handler and its byte entry point: the
// plan and the plain frame.
#pragma once

#include <cstdint>

#include "image/image.h"

namespace photofilter {

// The colour (fractions of 255) and the border on each side, in pixels.
struct Frame {
  double red = -1, green = -1, blue = -1;
  int bottom = -1, left = -1, top = -1, right = -1;
};

// The frame with its defaults, its colour as samples and the framed size.
struct FramePlan {
  Frame frame;
  Pixel colour;
  int32_t width, height;  // of the framed image
};

// Scans the word, replaces negative values by their defaults and logs the
// frame. Rejects a framed image wider or higher than a size can say.
FramePlan frame_plan(const char *word, const ImageHeader &image);

bool changes_size(const FramePlan &p, const ImageHeader &image);

// What the framed array is called in an "out of memory" message.
constexpr const char *kFramedImage = "framed image";

// The rule: the framed image, the old one at (left, top) inside a fresh
// array; with no border the image keeps its array and aux becomes 0.
void frame_image(const FramePlan &p, Image &image);

}  // namespace photofilter
