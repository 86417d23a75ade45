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
constexpr int kSamplesPerPixel = 4;
static_assert(sizeof(Pixel) == kSamplesPerPixel * sizeof(int16_t),
              "a Pixel is four packed 16-bit samples");

// Pixel arrays come from allocate_pixels and go back through this deleter.
struct PixelArrayDeleter {
  void operator()(Pixel *pixels) const;
};
using PixelArray = std::unique_ptr<Pixel[], PixelArrayDeleter>;

// Allocates `count` pixels without touching them, so that a huge array
// costs nothing until it is filled. `what` names the array in the
// "out of memory" message.
PixelArray allocate_pixels(int64_t count, const char *what);

// Turns nx pixels of 3 bytes (r, g, b) into Pixels with aux 0.
void widen_rgb8_row(const uint8_t *bytes, Pixel *row, int32_t nx);

// The reverse, as the image is written: r, g, b of nx Pixels clamped to
// 0..255, 3 bytes a pixel.
void narrow_row_to_bytes(const Pixel *row, int32_t nx, uint8_t *out);

// The magic line, size and maximum value of the input, as read.
struct ImageHeader {
  char header_line[256] = {};
  int32_t nx = 0;
  int32_t ny = 0;
  int32_t depth = 0;

  int64_t pixel_count() const { return int64_t{nx} * ny; }
};

// The working image: nx*ny Pixels, row by row, always valid.
struct Image : ImageHeader {
  PixelArray pixels;

  Pixel *row(int32_t y) { return pixels.get() + int64_t{y} * nx; }
  const Pixel *row(int32_t y) const { return pixels.get() + int64_t{y} * nx; }
  Pixel &at(int32_t x, int32_t y) { return row(y)[x]; }
  const Pixel &at(int32_t x, int32_t y) const { return row(y)[x]; }

  // Takes ownership of a new pixel array together with its size, as a
  // command that changes the image size must.
  void replace_pixels(PixelArray new_pixels, int32_t new_nx, int32_t new_ny);

  // A copy of the size and all four values of every pixel, for handlers
  // that need the image as it was before they change it.
  Image scratch_copy() const;
};

}  // namespace photofilter
