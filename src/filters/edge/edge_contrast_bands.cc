// The blurred copy of "-ec" and "-ec1" a band of rows at a time. Each blur
// pass takes a row's new value from rows at most `radius` away, so after
// `radius` passes a blurred row depends on the rows within radius^2 of it
// (its reach). A band blurred together with the rows within the reach above
// and below it holds exactly the rows of the whole blurred image: wrong
// values start at the band's cut-off ends and move in by at most `radius`
// rows a pass. The image's own first and last rows are never cut off, so
// bands there need nothing beyond them.
//
// The pixel pass scales a band's rows right after its blur, while they are
// in the cache, and so overwrites rows that the next band still reads as
// its upper reach: those rows are kept as they were in a carry buffer.
//
// Parts of the image go over the threads, each walking its bands as above.
// A part's first band reaches into the part above, and its last band into
// the part below, whose rows their own parts scale at any time: so every
// part first keeps the originals of those rows (its carry and its rows
// below), and only then does any part scale a row. A part's bands then
// read only rows of its own part as they stand, rows they carried, and
// rows kept before any scaling: the same rows a single walk reads.
#include "filters/edge/edge_contrast_bands.h"

#include <algorithm>
#include <cstring>

#include "image/kernels.h"
#include "image/parallel.h"

namespace photofilter {
namespace {

// Pixels of a band to aim at: about 2 MB, so that a band and its scaled
// rows stay in the cache between the blur and the pixel pass.
constexpr int64_t kBandPixels = 256 * 1024;
constexpr int64_t kLeastBandRows = 16;

int64_t reach_of(int32_t radius) { return radius > 0 ? int64_t{radius} * radius : 0; }

}  // namespace

void ImageEdgeRows::copy_row(int32_t y, Pixel *to) const {
  std::memcpy(to, image_.row(y), sizeof(Pixel) * static_cast<size_t>(width()));
}

void ImageEdgeRows::scale_row(int32_t y, const Pixel *blurred, const EdgeScaler &scaler) {
  scaler.scale_row(image_.row(y), blurred, width());
}

int64_t edge_band_rows(int32_t radius, int32_t nx, int32_t ny) {
  const int64_t reach = std::min<int64_t>(reach_of(radius), ny);
  const int64_t rows = std::max({kLeastBandRows, kBandPixels / std::max(nx, 1), 16 * reach});
  // Bands that would cover nearly the whole image save nothing.
  return rows + 2 * reach >= ny ? ny : rows;
}

int32_t edge_part_count(int32_t radius, int64_t band_rows, int32_t ny) {
  if (band_rows >= ny) return 1;
  const int64_t reach = std::min<int64_t>(reach_of(radius), ny);
  const int64_t fitting = ny / (2 * (band_rows + 2 * reach));
  return static_cast<int32_t>(std::clamp<int64_t>(fitting, 1, run_threads()));
}

EdgeBands::EdgeBands(const EdgeRows &image, int32_t radius, double weight, int64_t band_rows,
                     int32_t parts)
    : radius_(radius),
      weight_(weight),
      reach_(std::min<int64_t>(reach_of(radius), image.height())),
      rows_(std::clamp<int64_t>(band_rows, 1, std::max(image.height(), 1))) {
  const int64_t nx = image.width(), ny = image.height();
  int64_t count = std::clamp<int64_t>(parts, 1, std::max<int64_t>(ny, 1));
  // One band is the whole image: one part, nothing beyond it and nothing
  // to carry.
  if (rows_ >= ny) {
    reach_ = 0;
    count = 1;
  }
  const int64_t band_rows_held = std::min<int64_t>(rows_ + 2 * reach_, ny);
  parts_.resize(static_cast<size_t>(count));
  for (int64_t k = 0; k < count; ++k) {
    Part &part = parts_[static_cast<size_t>(k)];
    part.first = ny * k / count;
    part.end = ny * (k + 1) / count;
    part.band.pixels = allocate_pixels(nx * band_rows_held, "scratch copy of the image");
    part.band.nx = static_cast<int32_t>(nx);
    if (reach_ == 0) continue;
    part.carry = allocate_pixels(nx * reach_, "rows kept for the next band");
    if (count > 1) part.below = allocate_pixels(nx * reach_, "rows kept for the next band");
  }
}

void EdgeBands::keep_rows_around(const EdgeRows &image, Part &part) const {
  const size_t nx = static_cast<size_t>(image.width());
  const int64_t top = top_of(part.first), bottom = bottom_of(part.end, image.height());
  for (int64_t y = top; y < part.first; ++y) {
    image.copy_row(static_cast<int32_t>(y), part.carry.get() + nx * (y - top));
  }
  for (int64_t y = part.end; y < bottom; ++y) {
    image.copy_row(static_cast<int32_t>(y), part.below.get() + nx * (y - part.end));
  }
}

void EdgeBands::walk_bands(EdgeRows &image, const EdgeScaler &scaler, Part &part) const {
  const int32_t nx = image.width(), ny = image.height();
  Image &band = part.band;
  for (int64_t y0 = part.first; y0 < part.end; y0 += rows_) {
    const int64_t y1 = std::min<int64_t>(y0 + rows_, part.end);
    const int64_t top = top_of(y0);
    const int64_t bottom = bottom_of(y1, ny);
    band.ny = static_cast<int32_t>(bottom - top);
    // Rows above the band were scaled by the band before, or belong to the
    // part above: their originals come from the carry.
    if (y0 > top) {
      std::memcpy(band.pixels.get(), part.carry.get(), sizeof(Pixel) * nx * (y0 - top));
    }
    // The part's own rows as they stand (none of them is scaled yet), then
    // those of the part below as they were kept.
    const int64_t own_end = std::min(bottom, part.end);
    const int64_t smallest = std::max<int64_t>(1, kSmallestPixelPart / nx);
    split_work(own_end - y0, smallest, [&](int64_t begin, int64_t end) {
      for (int64_t y = y0 + begin; y < y0 + end; ++y) {
        image.copy_row(static_cast<int32_t>(y), band.row(static_cast<int32_t>(y - top)));
      }
    });
    if (bottom > own_end) {
      std::memcpy(band.row(static_cast<int32_t>(own_end - top)), part.below.get(),
                  sizeof(Pixel) * nx * (bottom - own_end));
    }
    const int64_t carried = std::min(reach_, y1);
    if (y1 < part.end && carried > 0) {
      std::memcpy(part.carry.get(), band.row(static_cast<int32_t>(y1 - carried - top)),
                  sizeof(Pixel) * nx * carried);
    }
    for (int32_t k = 0; k < radius_; ++k) weighted_blur(band, radius_, weight_);
    split_work(y1 - y0, smallest, [&](int64_t begin, int64_t end) {
      for (int64_t y = y0 + begin; y < y0 + end; ++y) {
        image.scale_row(static_cast<int32_t>(y), band.row(static_cast<int32_t>(y - top)),
                        scaler);
      }
    });
  }
}

void EdgeBands::blur_and_scale(EdgeRows &image, const EdgeScaler &scaler) {
  if (image.width() <= 0 || image.height() <= 0) return;
  const auto parts = static_cast<int64_t>(parts_.size());
  if (parts > 1) {
    split_work(parts, 1, [&](int64_t begin, int64_t end) {
      for (int64_t k = begin; k < end; ++k) keep_rows_around(image, parts_[static_cast<size_t>(k)]);
    });
  }
  split_work(parts, 1, [&](int64_t begin, int64_t end) {
    for (int64_t k = begin; k < end; ++k) walk_bands(image, scaler, parts_[static_cast<size_t>(k)]);
  });
}

}  // namespace photofilter
