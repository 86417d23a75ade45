// "-fr c_r,c_g,c_b,bottom,left,top,right": puts a frame of one colour
// around the image. Colours are fractions of 255; a negative value takes
// its default: red 0.1, green the red, blue the green, bottom (nx+ny)/10,
// left the bottom, top the left, and right the left as well.
#include "filters/geometry/framing.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "filters/geometry/geometry_commands.h"
#include "filters/geometry/geometry_support.h"
#include "image/errors.h"
#include "image/parameter_scan.h"
#include "image/sample.h"
#include "image/step_timer.h"

namespace photofilter {
namespace {

Frame with_defaults(Frame f, const ImageHeader &image) {
  if (f.red < 0) f.red = 0.1;
  if (f.green < 0) f.green = f.red;
  if (f.blue < 0) f.blue = f.green;
  if (f.bottom < 0) f.bottom = static_cast<int>((int64_t{image.nx} + image.ny) / 10);
  if (f.left < 0) f.left = f.bottom;
  if (f.top < 0) f.top = f.left;
  if (f.right < 0) f.right = f.left;
  return f;
}

}  // namespace

FramePlan frame_plan(const char *word, const ImageHeader &image) {
  Frame f;
  scan_parameters(word, "%lf,%lf,%lf,%d,%d,%d,%d", &f.red, &f.green, &f.blue, &f.bottom, &f.left,
              &f.top, &f.right);
  f = with_defaults(f, image);
  const int64_t width = int64_t{f.left} + image.nx + f.right;
  const int64_t height = int64_t{f.bottom} + image.ny + f.top;
  if (width > INT32_MAX || height > INT32_MAX) throw InvalidParameter("frame too large");
  std::fprintf(stderr, "frame color %g,%g,%g size %d,%d,%d,%d\n", f.red, f.green, f.blue,
               f.bottom, f.left, f.top, f.right);
  const Pixel colour{truncate_to_sample(f.red * 255), truncate_to_sample(f.green * 255),
                     truncate_to_sample(f.blue * 255), 0};
  return {f, colour, static_cast<int32_t>(width), static_cast<int32_t>(height)};
}

bool changes_size(const FramePlan &p, const ImageHeader &image) {
  return p.width != image.nx || p.height != image.ny;
}

namespace {

void fill(Pixel *to, int64_t count, Pixel colour) { std::fill(to, to + count, colour); }

// The framed rows: the top border, each image row between its left and
// right border, the bottom border.
void frame_pixels(const Image &image, const Frame &f, int64_t width, Pixel colour, Pixel *to) {
  fill(to, f.top * width, colour);
  to += f.top * width;
  for (int32_t y = 0; y < image.ny; ++y, to += width) {
    fill(to, f.left, colour);
    copy_without_aux(image.row(y), image.nx, to + f.left);
    fill(to + f.left + image.nx, f.right, colour);
  }
  fill(to, f.bottom * width, colour);
}

}  // namespace

void frame_image(const FramePlan &p, Image &image) {
  if (!changes_size(p, image)) {
    clear_aux(image);
    return;
  }
  PixelArray framed = allocate_result(int64_t{p.width} * p.height, kFramedImage);
  frame_pixels(image, p.frame, p.width, p.colour, framed.get());
  image.replace_pixels(std::move(framed), p.width, p.height);
}

void framing(const char *word, Image &image) {
  frame_image(frame_plan(word, image), image);
  step_timer("framing  done");
}

void check_framing(const char *word, ImageHeader &image) {
  const FramePlan p = frame_plan(word, image);
  if (!changes_size(p, image)) return;
  require_room_for_result(int64_t{p.width} * p.height, kFramedImage);
  image.nx = p.width;
  image.ny = p.height;
}

}  // namespace photofilter
