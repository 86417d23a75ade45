#include "image/block_mean.h"

#include "image/multiversion.h"

namespace photofilter {
namespace {

PHOTOFILTER_MULTIVERSION void average_blocks(const Image &image, Pixel *result) {
  const int32_t nx = image.nx - 1;
  for (int32_t y = 0; y + 1 < image.ny; ++y) {
    const Pixel *top = image.row(y);
    const Pixel *bottom = image.row(y + 1);
    Pixel *out = result + int64_t{y} * nx;
    for (int32_t x = 0; x < nx; ++x) {
      out[x].r = mean_of_four(top[x].r, top[x + 1].r, bottom[x].r, bottom[x + 1].r);
      out[x].g = mean_of_four(top[x].g, top[x + 1].g, bottom[x].g, bottom[x + 1].g);
      out[x].b = mean_of_four(top[x].b, top[x + 1].b, bottom[x].b, bottom[x + 1].b);
      out[x].aux = 0;
    }
  }
}

}  // namespace

void shrink_by_block_mean(Image &image) {
  if (image.nx < 1 || image.ny < 1) return;
  const int32_t nx = image.nx - 1;
  const int32_t ny = image.ny - 1;
  PixelArray result = allocate_pixels(int64_t{nx} * ny, "2x2 block means");
  average_blocks(image, result.get());
  image.replace_pixels(std::move(result), nx, ny);
}

}  // namespace photofilter
