// The working image of a run: a row-major array of four signed 16-bit
// values per pixel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace photofilter {

struct Pixel {
  int16_t r;
  int16_t g;
  int16_t b;
  int16_t aux;  // working value of some noise reductions; never written out
};
static_assert(sizeof(Pixel) == 8, "a Pixel is four packed 16-bit samples");

// Pixel arrays come from allocate_pixels and go back through this deleter.
struct PixelArrayDeleter {
  void operator()(Pixel *pixels) const;
};
using PixelArray = std::unique_ptr<Pixel[], PixelArrayDeleter>;

// Allocates `count` pixels without touching them, so that a huge array
// costs nothing until it is filled. `what` names the array in the
// "out of memory" message.
PixelArray allocate_pixels(int64_t count, const char *what);

// Where an array of `count` pixels keeps an image of that many pixels
// packed: in its last 3*count bytes.
uint8_t *packed_position(Pixel *pixels, int64_t count);

// Turns nx pixels of 3 bytes (r, g, b) into Pixels with aux 0.
void widen_rgb8_row(const uint8_t *bytes, Pixel *row, int32_t nx);

// The reverse, as the image is written: r, g, b of nx Pixels clamped to
// 0..255, 3 bytes a pixel.
void narrow_row_to_bytes(const Pixel *row, int32_t nx, uint8_t *out);

struct Image {
  PixelArray pixels;
  char header_line[256] = {};
  int32_t nx = 0;
  int32_t ny = 0;
  int32_t depth = 0;

  // True while the pixel array holds the image still as read: 3 bytes a
  // pixel (r, g, b, each 0..255) in the last 3*nx*ny bytes of its memory,
  // not yet widened into Pixels. A run without commands writes these bytes
  // back as they are and never touches the rest of the array; every other
  // run widens them with unpack_pixels before its first command.
  bool packed = false;

  // True while the command that runs is the last one, so that its result
  // is clamped to 0..255 and written right after it: a command may then
  // keep a packed image packed by clamping its results now.
  bool written_next = false;

  int64_t pixel_count() const { return int64_t{nx} * ny; }

  // The packed bytes (valid while `packed`): row y starts at
  // packed_bytes() + 3*nx*y.
  const uint8_t *packed_bytes() const;
  uint8_t *packed_bytes();

  // Widens packed bytes into Pixels with aux 0, in place; does nothing if
  // the image is not packed.
  void unpack_pixels();

  Pixel *row(int32_t y) { return pixels.get() + int64_t{y} * nx; }
  const Pixel *row(int32_t y) const { return pixels.get() + int64_t{y} * nx; }
  Pixel &at(int32_t x, int32_t y) { return row(y)[x]; }
  const Pixel &at(int32_t x, int32_t y) const { return row(y)[x]; }

  // Takes ownership of a new pixel array together with its size, as a
  // command that changes the image size must.
  void replace_pixels(PixelArray new_pixels, int32_t new_nx, int32_t new_ny);

  // The same for a result kept packed: its bytes already stand at
  // packed_position(new_pixels, new_nx * new_ny). The array may be the
  // image's own, at least as large as the new size needs.
  void replace_with_packed(PixelArray new_pixels, int32_t new_nx, int32_t new_ny);

  // A copy of the size and all four values of every pixel, for handlers
  // that need the image as it was before they change it. The image must
  // not be packed.
  Image scratch_copy() const;
};

}  // namespace photofilter
