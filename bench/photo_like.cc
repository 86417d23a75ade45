#include "photo_like.h"

#include <algorithm>
#include <cstdint>

namespace photofilter::bench {
namespace {

int16_t sample(int value) { return static_cast<int16_t>(std::clamp(value, 0, 255)); }

// A bright disc of radius 18 at (cx, cy) with a three-pixel fringe around
// it: red-dominated for even discs, blue-dominated for odd ones.
void paint_highlight(Image &image, int cx, int cy, bool red_fringe) {
  constexpr int kDisc = 18;
  constexpr int kRim = 21;
  for (int y = cy - kRim; y <= cy + kRim; ++y) {
    for (int x = cx - kRim; x <= cx + kRim; ++x) {
      if (x < 0 || y < 0 || x >= image.nx || y >= image.ny) continue;
      const int d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
      if (d2 <= kDisc * kDisc) {
        image.at(x, y) = Pixel{250, 252, 248, 0};
      } else if (d2 <= kRim * kRim) {
        image.at(x, y) = red_fringe ? Pixel{140, 45, 35, 0} : Pixel{40, 50, 150, 0};
      }
    }
  }
}

}  // namespace

Image photo_like_image(int32_t width, int32_t height) {
  Image image;
  image.nx = width;
  image.ny = height;
  image.pixels = allocate_pixels(int64_t{width} * height, "benchmark image");
  uint32_t noise = 12345;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      noise = noise * 1664525u + 1013904223u;
      const int jitter = static_cast<int>(noise >> 28) - 8;
      const int texture = ((x / 7) ^ (y / 5)) & 15;
      const int ground = 20 + x / 100 + y / 80;
      image.at(x, y) = Pixel{sample(ground + texture + jitter),
                             sample(ground + (texture >> 1) + jitter / 2 + 10),
                             sample(ground / 2 + texture + jitter), 0};
    }
  }
  int index = 0;
  for (int cy = 150; cy < height; cy += 300) {
    for (int cx = 150; cx < width; cx += 300) paint_highlight(image, cx, cy, ++index % 2 == 0);
  }
  return image;
}

}  // namespace photofilter::bench
