// The image as read, before any command needs Pixels: r, g and b of every
// pixel as bytes, 3 a pixel, row by row. Commands that can work on bytes
// (crop, frame, the point corrections, block means, ...) take it as it is;
// the first command that needs Pixels widens it into an Image in the same
// memory, so the 8-byte pixels cost no second array.
#pragma once

#include <cstdint>
#include <variant>
#include <vector>

#include "image/image.h"
#include "image/row_source.h"

namespace photofilter {

// Where memory for `count` Pixels holds an image of that many pixels as
// bytes: in its last 3*count bytes. Widening from the first row on then
// never overwrites a byte not yet read (row y widened ends at 8*nx*(y+1),
// row y+1 as bytes starts at 5*nx*ny + 3*nx*(y+1)), and a smaller image
// placed in the same memory starts no later, so a shrinking command can
// write its rows over rows it has already read.
uint8_t *byte_position(Pixel *storage, int64_t count);

struct ByteImage : ImageHeader {
  PixelArray storage;  // room for nx*ny Pixels; the bytes fill its last 3/8

  uint8_t *bytes() { return byte_position(storage.get(), pixel_count()); }
  const uint8_t *bytes() const { return byte_position(storage.get(), pixel_count()); }
  uint8_t *row(int32_t y) { return bytes() + int64_t{3} * nx * y; }
  const uint8_t *row(int32_t y) const { return bytes() + int64_t{3} * nx * y; }

  // Takes a result of new_nx by new_ny pixels whose bytes stand at
  // byte_position(new_storage, new_nx * new_ny). The memory may be the
  // image's own.
  void replace(PixelArray new_storage, int32_t new_nx, int32_t new_ny);
};

// Widens every row into Pixels with aux 0, in the image's own memory,
// which the result takes over.
Image widen(ByteImage &&image);

// The rows of a byte image widened one at a time into a buffer of one
// row, aux 0, for kernels that read rows as they go. row(y) reads nothing
// of the image's memory before where the bytes of row y start,
// 5 * nx * ny + 3 * nx * y bytes in.
class ByteImageRows final : public RowSource {
 public:
  explicit ByteImageRows(const ByteImage &image);
  int32_t width() const override { return image_.nx; }
  int32_t height() const override { return image_.ny; }
  const Pixel *row(int32_t y) override;

 private:
  const ByteImage &image_;
  std::vector<Pixel> widened_;
};

// The image of a run as the driver holds it: still as read, or widened.
class WorkingImage {
 public:
  explicit WorkingImage(ByteImage image) : image_(std::move(image)) {}
  explicit WorkingImage(Image image) : image_(std::move(image)) {}

  bool holds_bytes() const { return std::holds_alternative<ByteImage>(image_); }
  ByteImage &bytes() { return std::get<ByteImage>(image_); }
  // The image as Pixels, widened on the first call.
  Image &widened();

 private:
  std::variant<ByteImage, Image> image_;
};

}  // namespace photofilter
