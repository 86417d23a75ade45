// "-fr c_r,c_g,c_b,bottom,left,top,right": puts a frame of one colour
// around the image. Colours are fractions of 255; a negative value takes
// its default: red 0.1, green the red, blue the green, bottom (nx+ny)/10,
// left the bottom, top the left, and right the left as well.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "filters/geometry/geometry_commands.h"
#include "filters/geometry/geometry_support.h"
#include "image/errors.h"
#include "image/sample.h"
#include "image/step_timer.h"

namespace photofilter {
namespace {

struct Frame {
  double red = -1, green = -1, blue = -1;
  int bottom = -1, left = -1, top = -1, right = -1;
};

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

void fill(Pixel *to, int64_t count, Pixel colour) { std::fill(to, to + count, colour); }

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

// An image held as bytes stays bytes when the colour is a byte triple, or
// when it is written next, where the colour would be clamped to bytes
// anyway.
bool colour_fits_bytes(Pixel colour, bool written_next) {
  const auto byte = [](int16_t v) { return v >= 0 && v <= 255; };
  return written_next || (byte(colour.r) && byte(colour.g) && byte(colour.b));
}

// The framed rows, 3 bytes a pixel: the frame's parts are copied from one
// row of the colour.
void frame_bytes(const ByteImage &image, const Frame &f, int64_t width, Pixel colour,
                 uint8_t *to) {
  const size_t row_bytes = static_cast<size_t>(width) * 3;
  if (row_bytes == 0) return;  // rows of no pixels
  std::vector<uint8_t> colour_row(row_bytes);
  for (size_t i = 0; i < row_bytes; i += 3) {
    colour_row[i] = clamp_to_byte(colour.r);
    colour_row[i + 1] = clamp_to_byte(colour.g);
    colour_row[i + 2] = clamp_to_byte(colour.b);
  }
  const auto colour_rows = [&](int rows) {
    for (int y = 0; y < rows; ++y, to += row_bytes) std::memcpy(to, colour_row.data(), row_bytes);
  };
  const size_t image_row_bytes = static_cast<size_t>(image.nx) * 3;
  const size_t left_bytes = static_cast<size_t>(f.left) * 3;
  const size_t right_bytes = static_cast<size_t>(f.right) * 3;
  const uint8_t *from = image.bytes();
  colour_rows(f.top);
  for (int32_t y = 0; y < image.ny; ++y, to += row_bytes, from += image_row_bytes) {
    std::memcpy(to, colour_row.data(), left_bytes);
    std::memcpy(to + left_bytes, from, image_row_bytes);
    std::memcpy(to + left_bytes + image_row_bytes, colour_row.data(), right_bytes);
  }
  colour_rows(f.bottom);
}

// The frame's colour and sides, after its log line. Rejects a framed image
// wider or higher than a size can say.
struct FramePlan {
  Frame frame;
  Pixel colour;
  int32_t width, height;  // of the framed image
};

FramePlan frame_plan(const char *word, const ImageHeader &image) {
  Frame f;
  std::sscanf(word, "%lf,%lf,%lf,%d,%d,%d,%d", &f.red, &f.green, &f.blue, &f.bottom, &f.left,
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

void frame_image(const FramePlan &p, Image &image) {
  if (!changes_size(p, image)) {
    clear_aux(image);
    return;
  }
  PixelArray framed = allocate_result(int64_t{p.width} * p.height, "framed image");
  frame_pixels(image, p.frame, p.width, p.colour, framed.get());
  image.replace_pixels(std::move(framed), p.width, p.height);
}

}  // namespace

void framing(const char *word, Image &image) {
  frame_image(frame_plan(word, image), image);
  step_timer("framing  done");
}

void framing_bytes(const char *word, WorkingImage &working, bool written_next) {
  ByteImage &image = working.bytes();
  const FramePlan p = frame_plan(word, image);
  if (!changes_size(p, image)) {
    // Bytes have no working value to clear.
  } else if (colour_fits_bytes(p.colour, written_next)) {
    const int64_t count = int64_t{p.width} * p.height;
    PixelArray framed = allocate_result(count, "framed image");
    frame_bytes(image, p.frame, p.width, p.colour, byte_position(framed.get(), count));
    image.replace(std::move(framed), p.width, p.height);
  } else {
    frame_image(p, working.widened());
  }
  step_timer("framing  done");
}

}  // namespace photofilter
