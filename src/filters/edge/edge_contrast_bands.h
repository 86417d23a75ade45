// The blurred copy of "-ec" and "-ec1" made a band of rows at a time, each
// band scaled against it while it is still in the cache.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "filters/edge/edge_contrast_scaling.h"
#include "image/image.h"

namespace photofilter {

// The image the bands scale, a row at a time: an Image, or an image still
// held as bytes (edge_bytes.h).
class EdgeRows {
 public:
  EdgeRows(int32_t width, int32_t height) : width_(width), height_(height) {}
  virtual ~EdgeRows() = default;

  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  // Row y as Pixels into `to`, as it stands.
  virtual void copy_row(int32_t y, Pixel *to) const = 0;
  // Scales row y against `blurred`, the same row of the blurred copy.
  virtual void scale_row(int32_t y, const Pixel *blurred, const EdgeScaler &scaler) = 0;

 private:
  int32_t width_;
  int32_t height_;
};

// The rows of an Image, scaled in place.
class ImageEdgeRows final : public EdgeRows {
 public:
  explicit ImageEdgeRows(Image &image) : EdgeRows(image.nx, image.ny), image_(image) {}
  void copy_row(int32_t y, Pixel *to) const override;
  void scale_row(int32_t y, const Pixel *blurred, const EdgeScaler &scaler) override;

 private:
  Image &image_;
};

// Blurs a copy of an image `radius` times with weighted_blur(radius,
// weight) and scales the image against it, holding only a band of rows of
// the copy (plus the rows the blur reaches across from either side) at a
// time. The image's rows are cut into parts, one for each thread, and
// every part walks its own bands with scratch rows of its own. The result
// is the same for every band height and every number of parts.
class EdgeBands {
 public:
  // Allocates the scratch rows for bands of `band_rows` rows of `image`,
  // in `parts` parts.
  EdgeBands(const EdgeRows &image, int32_t radius, double weight, int64_t band_rows,
            int32_t parts);

  void blur_and_scale(EdgeRows &image, const EdgeScaler &scaler);

 private:
  // Rows first .. end - 1 of the image and a part's scratch rows.
  struct Part {
    int64_t first = 0;
    int64_t end = 0;
    Image band;         // a band's rows and its reach, blurred
    PixelArray carry;   // the reach above the next band, as it was
    PixelArray below;   // the reach below the part, as it was
  };

  int64_t top_of(int64_t y) const { return std::max<int64_t>(y - reach_, 0); }
  int64_t bottom_of(int64_t y, int32_t ny) const { return std::min<int64_t>(y + reach_, ny); }
  void keep_rows_around(const EdgeRows &image, Part &part) const;
  void walk_bands(EdgeRows &image, const EdgeScaler &scaler, Part &part) const;

  int32_t radius_;
  double weight_;
  int64_t reach_;  // rows a blurred row depends on, on either side
  int64_t rows_;   // rows scaled per band
  std::vector<Part> parts_;
};

// The band height for a blur of `radius` passes of radius `radius`: tall
// enough that the rows recomputed above and below a band cost little, and
// the whole image when the bands would nearly cover it anyway.
int64_t edge_band_rows(int32_t radius, int32_t nx, int32_t ny);

// The parts for the run's threads: one for each, as long as each holds a
// few bands' worth of rows; one when a band is the whole image.
int32_t edge_part_count(int32_t radius, int64_t band_rows, int32_t ny);

}  // namespace photofilter
