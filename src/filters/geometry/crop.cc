// "-cr x0,y0,x1,y1": cuts a rectangle out of the image. An end of 0, or one
// not beyond its start, means the far edge; a negative end counts from it.
// Negative x0 and y0 together ask instead for the largest centred band of
// aspect -x0:-y0, turned to the image's orientation.
#include "filters/geometry/crop.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <utility>

#include "filters/geometry/geometry_commands.h"
#include "filters/geometry/geometry_support.h"
#include "image/errors.h"
#include "image/parameter_scan.h"
#include "image/sample.h"
#include "image/step_timer.h"

namespace photofilter {
namespace {

enum class BandCut { kNone, kRows, kColumns };

struct AspectBand {
  double aspect = 0;        // wanted width over height, turned to the image
  double image_aspect = 0;  // nx / ny
  BandCut cut = BandCut::kNone;
  int64_t start = 0, end = 0, size = 0;  // rows or columns kept
};

// A wanted aspect wider than the image keeps the full width and a centred
// band of rows; a narrower one keeps the full height and a band of
// columns, unless the end on the cut axis is given.
AspectBand aspect_band(int x0, int y0, int x1, int y1, const ImageHeader &image) {
  AspectBand a;
  a.aspect = -static_cast<double>(x0) / -static_cast<double>(y0);
  a.image_aspect = static_cast<double>(image.nx) / image.ny;
  if (image.nx > image.ny && a.aspect < 1) a.aspect = 1 / a.aspect;
  if (image.nx < image.ny && a.aspect > 1) a.aspect = 1 / a.aspect;
  int64_t length = 0;
  if (a.aspect > a.image_aspect && x1 == 0) {
    a.cut = BandCut::kRows;
    a.size = truncate_to<int32_t>(image.nx / a.aspect);
    length = image.ny;
  } else if (a.aspect < a.image_aspect && y1 == 0) {
    a.cut = BandCut::kColumns;
    a.size = truncate_to<int32_t>(image.ny * a.aspect);
    length = image.nx;
  }
  a.start = (length - a.size) / 2;
  a.end = a.start + a.size;
  return a;
}

void log_aspect(const AspectBand &a) {
  std::fprintf(stderr, "crop scale %g %g \n", a.aspect, a.image_aspect);
}

void log_band(const AspectBand &a) {
  const int start = static_cast<int>(a.start), end = static_cast<int>(a.end);
  const int size = static_cast<int>(a.size);
  if (a.cut == BandCut::kRows) {
    std::fprintf(stderr, "crop y by scale %g min,max,size %d %d %d\n", a.aspect, start, end, size);
  } else {
    std::fprintf(stderr, "crop x by scale %g min,max,size %d %d %d \n", a.aspect, start, end,
                 size);
  }
}

// Resolves ends counted from the far edges, clips the rectangle to the
// image and rejects one that starts outside it.
Rectangle resolved_in(Rectangle r, const ImageHeader &image) {
  if (r.x1 < 0) r.x1 += image.nx;
  if (r.y1 < 0) r.y1 += image.ny;
  r.x0 = std::max<int64_t>(r.x0, 0);
  if (r.x1 <= r.x0) r.x1 = image.nx;
  r.y0 = std::max<int64_t>(r.y0, 0);
  if (r.y1 <= r.y0) r.y1 = image.ny;
  r.x1 = std::min<int64_t>(r.x1, image.nx);
  r.y1 = std::min<int64_t>(r.y1, image.ny);
  if (r.x0 >= image.nx || r.y0 >= image.ny) {
    throw InvalidParameter("crop region outside the image");
  }
  return r;
}

}  // namespace

std::optional<Rectangle> crop_plan(const char *word, const ImageHeader &image) {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  scan_parameters(word, "%d,%d,%d,%d", &x0, &y0, &x1, &y1);
  Rectangle wanted{x0, y0, x1, y1};
  const bool by_aspect = x0 < 0 && y0 < 0;
  AspectBand band;
  if (by_aspect) {
    band = aspect_band(x0, y0, x1, y1, image);
    if (band.cut == BandCut::kNone) {
      log_aspect(band);
      return std::nullopt;
    }
    wanted = band.cut == BandCut::kRows ? Rectangle{0, band.start, image.nx, band.end}
                                        : Rectangle{band.start, 0, band.end, image.ny};
  }
  const Rectangle r = resolved_in(wanted, image);
  if (by_aspect) {
    log_aspect(band);
    log_band(band);
  }
  std::fprintf(stderr, "crop region %d,%d %d,%d %d,%d\n", static_cast<int>(r.x0),
               static_cast<int>(r.y0), static_cast<int>(r.x1), static_cast<int>(r.y1),
               static_cast<int>(r.x1 - r.x0), static_cast<int>(r.y1 - r.y0));
  return r;
}

namespace {

// Copies the rectangle into the first rows of the array.
void cut_out(const Rectangle &r, Image &image) {
  const int32_t width = r.width();
  const int32_t height = r.height();
  // Row y of the result starts at or before row y0 + y of the source, so
  // the result takes the source's own array.
  for (int32_t y = 0; y < height; ++y) {
    copy_without_aux(image.row(static_cast<int32_t>(r.y0 + y)) + r.x0, width,
                     image.pixels.get() + int64_t{y} * width);
  }
  image.replace_pixels(std::move(image.pixels), width, height);
}

}  // namespace

void crop(const char *word, Image &image) {
  const std::optional<Rectangle> r = crop_plan(word, image);
  if (!r) return;
  cut_out(*r, image);
  step_timer("croping done");
}

void check_crop(const char *word, ImageHeader &image) {
  const std::optional<Rectangle> r = crop_plan(word, image);
  if (!r) return;
  image.nx = r->width();
  image.ny = r->height();
}

}  // namespace photofilter
