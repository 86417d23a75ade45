#include "bench_support.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

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

Image generate_photo() {
  Image image;
  image.nx = kWidth;
  image.ny = kHeight;
  image.pixels = allocate_pixels(int64_t{kWidth} * kHeight, "benchmark image");
  uint32_t noise = 12345;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
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
  for (int cy = 150; cy < kHeight; cy += 300) {
    for (int cx = 150; cx < kWidth; cx += 300) paint_highlight(image, cx, cy, ++index % 2 == 0);
  }
  return image;
}

}  // namespace

const Image &photo() {
  static const Image image = generate_photo();
  return image;
}

Image &fresh_copy(benchmark::State &state) {
  state.PauseTiming();
  static Image working;
  if (working.pixel_count() != photo().pixel_count()) {
    working.replace_pixels(allocate_pixels(photo().pixel_count(), "benchmark copy"), kWidth,
                           kHeight);
  }
  working.nx = kWidth;
  working.ny = kHeight;
  std::memcpy(working.pixels.get(), photo().pixels.get(),
              static_cast<size_t>(photo().pixel_count()) * sizeof(Pixel));
  state.ResumeTiming();
  return working;
}

void report_megapixels(benchmark::State &state) {
  state.counters["MP/s"] = benchmark::Counter(kWidth * kHeight / 1e6,
                                              benchmark::Counter::kIsIterationInvariantRate);
}

QuietStderr::QuietStderr() : saved_(stderr) {
  std::FILE *null = std::fopen("/dev/null", "w");
  if (null != nullptr) stderr = null;
}

QuietStderr::~QuietStderr() {
  if (stderr != saved_) std::fclose(stderr);
  stderr = saved_;
}

void run_handler(benchmark::State &state, void (*handler)(const char *, Image &),
                 const char *word) {
  QuietStderr quiet;
  for (auto _ : state) {
    Image &image = fresh_copy(state);
    handler(word, image);
    benchmark::DoNotOptimize(image.pixels.get());
    // Commands that change the size leave a new array behind; the next
    // fresh copy puts the photo's size back.
  }
  report_megapixels(state);
}

}  // namespace photofilter::bench
