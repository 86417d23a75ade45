// "-fr" on an image still held as read: when the colour is a byte triple,
// or the image is written next, the framed image is made of bytes; other
// colours need Pixels and the image is widened.
#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "filters/geometry/framing.h"
#include "filters/geometry/geometry_commands.h"
#include "filters/geometry/geometry_support.h"
#include "image/parallel.h"
#include "image/sample.h"
#include "image/step_timer.h"

namespace photofilter {
namespace {

// An image held as bytes stays bytes when the colour is a byte triple, or
// when it is written next, where the colour would be clamped to bytes
// anyway.
bool colour_fits_bytes(Pixel colour, bool written_next) {
  const auto byte = [](int16_t v) { return v >= 0 && v <= 255; };
  return written_next || (byte(colour.r) && byte(colour.g) && byte(colour.b));
}

// The framed rows, 3 bytes a pixel, in a fresh array: the frame's parts
// are copied from one row of the colour.
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
  const size_t image_row_bytes = static_cast<size_t>(image.nx) * 3;
  const size_t left_bytes = static_cast<size_t>(f.left) * 3;
  const size_t right_bytes = static_cast<size_t>(f.right) * 3;
  // Row y of the framed image: a colour row above and below the image,
  // the image's row between its borders otherwise. Each row is written on
  // its own, so the rows go over the run's threads.
  const auto frame_row = [&](int64_t y) {
    uint8_t *row = to + row_bytes * y;
    const int64_t image_y = y - f.top;
    if (image_y < 0 || image_y >= image.ny) {
      std::memcpy(row, colour_row.data(), row_bytes);
      return;
    }
    std::memcpy(row, colour_row.data(), left_bytes);
    std::memcpy(row + left_bytes, image.bytes() + image_row_bytes * image_y, image_row_bytes);
    std::memcpy(row + left_bytes + image_row_bytes, colour_row.data(), right_bytes);
  };
  const int64_t height = int64_t{f.top} + image.ny + f.bottom;
  split_work(height, std::max<int64_t>(1, kSmallestPixelPart / std::max<int64_t>(width, 1)),
             [&](int64_t begin, int64_t end) {
               for (int64_t y = begin; y < end; ++y) frame_row(y);
             });
}

}  // namespace

void framing_bytes(const char *word, WorkingImage &working, bool written_next) {
  ByteImage &image = working.bytes();
  const FramePlan p = frame_plan(word, image);
  if (!changes_size(p, image)) {
    // Bytes have no working value to clear.
  } else if (colour_fits_bytes(p.colour, written_next)) {
    const int64_t count = int64_t{p.width} * p.height;
    PixelArray framed = allocate_result(count, kFramedImage);
    frame_bytes(image, p.frame, p.width, p.colour, byte_position(framed.get(), count));
    image.replace(std::move(framed), p.width, p.height);
  } else {
    frame_image(p, working.widened());
  }
  step_timer("framing  done");
}

}  // namespace photofilter
