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

EdgeBands::EdgeBands(const EdgeRows &image, int32_t radius, double weight, int64_t band_rows)
    : radius_(radius),
      weight_(weight),
      reach_(std::min<int64_t>(reach_of(radius), image.height())),
      rows_(std::clamp<int64_t>(band_rows, 1, std::max(image.height(), 1))) {
  const int64_t nx = image.width();
  // One band is the whole image: nothing beyond it and nothing to carry.
  if (rows_ >= image.height()) reach_ = 0;
  const int64_t band_rows_held = std::min<int64_t>(rows_ + 2 * reach_, image.height());
  band_.pixels = allocate_pixels(nx * band_rows_held, "scratch copy of the image");
  if (reach_ > 0) carry_ = allocate_pixels(nx * reach_, "rows kept for the next band");
}

void EdgeBands::blur_and_scale(EdgeRows &image, const EdgeScaler &scaler) {
  const int32_t nx = image.width(), ny = image.height();
  if (nx <= 0 || ny <= 0) return;
  band_.nx = nx;
  for (int64_t y0 = 0; y0 < ny; y0 += rows_) {
    const int64_t y1 = std::min<int64_t>(y0 + rows_, ny);
    const int64_t top = std::max<int64_t>(y0 - reach_, 0);
    const int64_t bottom = std::min<int64_t>(y1 + reach_, ny);
    band_.ny = static_cast<int32_t>(bottom - top);
    // Rows above the band were scaled by the band before: their originals
    // come from the carry.
    if (y0 > top) {
      std::memcpy(band_.pixels.get(), carry_.get(), sizeof(Pixel) * nx * (y0 - top));
    }
    // Rows are copied, and scaled below, each on its own: the band's rows
    // go over the run's threads.
    const int64_t smallest = std::max<int64_t>(1, kSmallestPixelPart / nx);
    split_work(bottom - y0, smallest, [&](int64_t begin, int64_t end) {
      for (int64_t y = y0 + begin; y < y0 + end; ++y) {
        image.copy_row(static_cast<int32_t>(y), band_.row(static_cast<int32_t>(y - top)));
      }
    });
    const int64_t carried = std::min(reach_, y1);
    if (y1 < ny && carried > 0) {
      std::memcpy(carry_.get(), band_.row(static_cast<int32_t>(y1 - carried - top)),
                  sizeof(Pixel) * nx * carried);
    }
    for (int32_t k = 0; k < radius_; ++k) weighted_blur(band_, radius_, weight_);
    split_work(y1 - y0, smallest, [&](int64_t begin, int64_t end) {
      for (int64_t y = y0 + begin; y < y0 + end; ++y) {
        image.scale_row(static_cast<int32_t>(y), band_.row(static_cast<int32_t>(y - top)),
                        scaler);
      }
    });
  }
}

}  // namespace photofilter
