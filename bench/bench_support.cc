#include "bench_support.h"

#include <cstdint>
#include <cstring>

#include "photo_like.h"

namespace photofilter::bench {

const Image &photo() {
  static const Image image = photo_like_image(kWidth, kHeight);
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
