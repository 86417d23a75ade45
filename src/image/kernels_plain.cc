// The shared kernels written straight from their rules: every row top to
// bottom, then every column left to right, each line copied into one line
// buffer, running window sums over the buffer, the rule per sample written
// into the image. The sums read the buffer only, so a line's own earlier
// results never enter its later windows. Sums are 64 bits, so no window
// of an image that fits memory leaves them.
#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "image/blur_rules.h"
#include "image/kernels.h"
#include "image/region_rule.h"

namespace photofilter {
namespace {

// One row or column of the image: n pixels, `stride` apart.
struct Line {
  Pixel *first;
  int64_t stride;
  int32_t n;

  Pixel &operator[](int64_t i) const { return first[i * stride]; }
};

// Calls process(line, buffer) for every row, then every column, with the
// line's pixels copied into the buffer.
template <typename Process>
void rows_then_columns(Image &image, Process process) {
  std::vector<Pixel> buffer(static_cast<size_t>(std::max({image.nx, image.ny, 0})));
  auto copy_and_process = [&](const Line &line) {
    for (int32_t i = 0; i < line.n; ++i) buffer[i] = line[i];
    process(line, buffer.data());
  };
  for (int32_t y = 0; y < image.ny; ++y) copy_and_process(Line{image.row(y), 1, image.nx});
  for (int32_t x = 0; x < image.nx; ++x) {
    copy_and_process(Line{image.pixels.get() + x, image.nx, image.ny});
  }
}

int16_t Pixel::*const kColours[] = {&Pixel::r, &Pixel::g, &Pixel::b};

}  // namespace

void weighted_blur_plain(Image &image, int32_t radius, double weight) {
  const int32_t step = blur_rules::step_of(weight);
  rows_then_columns(image, [&](const Line &line, const Pixel *L) {
    const int64_t n = line.n;
    // A radius beyond the line's length covers the whole line anyway.
    const int64_t r = std::min<int64_t>(std::max(radius, 0), n);
    int64_t sums[3] = {};
    int64_t count = 0;
    for (int64_t i = -r; i < n; ++i) {
      if (i + r <= n - 1) {
        for (int c = 0; c < 3; ++c) sums[c] += L[i + r].*kColours[c];
        ++count;
      }
      if (i - r - 1 >= 0) {
        for (int c = 0; c < 3; ++c) sums[c] -= L[i - r - 1].*kColours[c];
        --count;
      }
      if (i < 0) continue;
      for (int c = 0; c < 3; ++c) {
        const int16_t v = L[i].*kColours[c];
        line[i].*kColours[c] = step >= 1 ? blur_rules::step_mode(step, sums[c], count, v)
                                         : blur_rules::averaging_mode(weight, sums[c], count, v);
      }
    }
  });
}

namespace {

struct Channel {
  int16_t Pixel::*sample;
  int32_t step;
};

// One channel group along one line: only the positions whose window of
// 2*radius+1 samples lies wholly inside the line change.
void step_group(const Line &line, const Pixel *B, int32_t radius,
                std::initializer_list<Channel> group) {
  const int64_t n = line.n;
  const int64_t a = std::max(radius, 0);
  if (a >= n - a) return;
  const int64_t w = 2 * a + 1;
  for (const Channel &channel : group) {
    int64_t sum = 0;
    for (int64_t k = 0; k <= 2 * a - 1; ++k) sum += B[k].*channel.sample;
    for (int64_t i = a; i <= n - a - 1; ++i) {
      sum += B[i + a].*channel.sample;
      line[i].*channel.sample = region_rule::region_step(B[i].*channel.sample, sum / w,
                                                         channel.step);
      sum -= B[i - a].*channel.sample;
    }
  }
}

}  // namespace

void region_noise_reduction_plain(Image &image, int32_t rgb_radius, int32_t r_step,
                                  int32_t g_step, int32_t b_step, int32_t aux_radius,
                                  int32_t aux_step) {
  rows_then_columns(image, [&](const Line &line, const Pixel *B) {
    step_group(line, B, rgb_radius, {{&Pixel::r, r_step}, {&Pixel::g, g_step},
                                     {&Pixel::b, b_step}});
    step_group(line, B, aux_radius, {{&Pixel::aux, aux_step}});
  });
}

}  // namespace photofilter
