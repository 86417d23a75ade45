#include "filters/geometry/geometry_support.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "image/errors.h"
#include "image/parameter_scan.h"
#include "image/sample.h"

namespace photofilter {
namespace {

int64_t physical_memory_bytes() {
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long page_size = sysconf(_SC_PAGESIZE);
  if (pages <= 0 || page_size <= 0) return INT64_MAX;
  return int64_t{pages} * page_size;
}

}  // namespace

void require_room_for_result(int64_t count, const char *what, int64_t working_bytes) {
  static const int64_t memory = physical_memory_bytes();
  const int64_t room = memory - std::min(working_bytes, memory);
  if (count > room / int64_t{sizeof(Pixel)}) {
    throw RunError(format_message("out of memory: %s\n", what));
  }
}

PixelArray allocate_result(int64_t count, const char *what, int64_t working_bytes) {
  require_room_for_result(count, what, working_bytes);
  return allocate_pixels(count, what);
}

void copy_without_aux(const Pixel *from, int64_t count, Pixel *to) {
  for (int64_t i = 0; i < count; ++i) to[i] = without_aux(from[i]);
}

void clear_aux(Image &image) {
  Pixel *pixels = image.pixels.get();
  for (int64_t i = 0; i < image.pixel_count(); ++i) pixels[i].aux = 0;
}

ScaleFactors scale_factors(const char *word, const ImageHeader &image, double box_margin) {
  ScaleFactors f;
  scan_parameters(word, "%lf,%lf,%lf", &f.fx, &f.fy, &f.weight);
  if (f.fx < 0 && f.fy < 0) {
    const double ax = (box_margin - f.fx) / image.nx;
    const double ay = (box_margin - f.fy) / image.ny;
    f.fx = f.fy = ay < ax ? ay : ax;
  } else if (f.fx < 0) {
    throw InvalidParameter("a negative width needs a negative height");
  }
  if (f.fy <= 0) f.fy = f.fx;
  f.width = truncate_to<int32_t>(image.nx * f.fx);
  f.height = truncate_to<int32_t>(image.ny * f.fy);
  if (f.width < 1 || f.height < 1) {
    throw InvalidParameter(format_message("new size %d,%d is empty", f.width, f.height));
  }
  f.bin_width = 1 / f.fx;
  f.bin_height = 1 / f.fy;
  return f;
}

namespace {

constexpr const char *kScaledImage = "scaled image";

// The per-column and per-row tables take up to 32 bytes a line.
int64_t scaling_table_bytes(const ScaleFactors &f) { return (int64_t{f.width} + f.height) * 32; }

void log_scale_factors(const char *name, const ScaleFactors &f) {
  std::fprintf(stderr, "%s  %g,%g new size %d,%d\n", name, f.fx, f.fy, f.width, f.height);
  std::fprintf(stderr, "add bins with size %g,%g\n", f.bin_width, f.bin_height);
}

}  // namespace

bool scales_in_place(const ScaleFactors &f) { return f.bin_width >= 1 && f.bin_height >= 1; }

ResultArray scaled_result(const char *name, const ScaleFactors &f, PixelArray &source) {
  ResultArray result(source, int64_t{f.width} * f.height, scales_in_place(f), kScaledImage,
                     scaling_table_bytes(f));
  log_scale_factors(name, f);
  return result;
}

void check_scaled_result(const char *name, const ScaleFactors &f) {
  if (!scales_in_place(f)) {
    require_room_for_result(int64_t{f.width} * f.height, kScaledImage, scaling_table_bytes(f));
  }
  log_scale_factors(name, f);
}

}  // namespace photofilter
