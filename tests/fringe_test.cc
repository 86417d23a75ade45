// "-rfc", "-bfc" and "-rfc1": a plain version that divides in long double
// at every visit, hand-built highlights with fringes, the tie cases of the
// window tests, and the logs through the whole program.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "filters/fringe/fringe_commands.h"
#include "filters/fringe/quotient_below.h"
#include "image/sample.h"
#include "image/window_statistics.h"
#include "run_program.h"
#include "test_images.h"

namespace photofilter {
namespace {

using testing::mask_times;
using testing::pixel_data_after_header;
using testing::ppm_file;
using testing::run_photofilter;
using testing::samples_of;
using L = long double;
using Handler = void (*)(const char *, Image &);

// The three corrections written the slow way: every test and every new
// value is a long double quotient formed when the pixel is visited, and
// every candidate's statistics are gathered in full.
void reference(Handler handler, const char *word, Image &im) {
  const int64_t size_sum = int64_t{im.nx} + im.ny;
  double factor = 1.0, slimit = 0.95;
  int extent = static_cast<int>(size_sum / 150), xyinc = static_cast<int>(size_sum / 3000 + 1);
  std::sscanf(word, "%lf,%lf,%d,%d", &factor, &slimit, &extent, &xyinc);
  const double cfak = 0.5 / factor + 1.01;
  const int64_t sr = size_sum / 500;
  const bool blue = handler == blue_fringe_correction;
  int16_t Pixel::*f = blue ? &Pixel::b : &Pixel::r;
  int16_t Pixel::*o = blue ? &Pixel::r : &Pixel::b;
  const auto statistics = [&](int64_t x, int64_t y, int64_t radius, int64_t step) {
    WindowStatistics s;
    for (int64_t j = std::max<int64_t>(y - radius, 0); j <= std::min<int64_t>(y + radius, im.ny - 1); j += step)
      for (int64_t i = std::max<int64_t>(x - radius, 0); i <= std::min<int64_t>(x + radius, im.nx - 1); i += step)
        s.add(im.at(i, j));
    s.store_into(im);
  };
  for (int64_t y = extent + 1; y < im.ny - extent - 2; y += xyinc) {
    for (int64_t x = extent + 1; x < im.nx - extent - 2; x += xyinc) {
      const Pixel c = im.at(x, y);
      const L centre_share = L(3 * c.r) / (c.r + c.g + c.b + 1);
      if (slimit > L(c.g) / 255) continue;
      const L t = slimit * (L(c.r + c.g + c.b) / 765);
      if (handler != rfc1_correction) {
        statistics(x, y, sr, sr > 0 ? 2 * sr : 1);
        if (L(im.sum_min) / 255 > L(c.g) / 255 * (L(slimit) + 1) * 0.5) continue;
      }
      for (int64_t j = y - extent; j <= y + extent; ++j) {
        for (int64_t i = x - extent; i <= x + extent; ++i) {
          Pixel &p = im.at(i, j);
          if (handler == rfc1_correction) {
            const L n = L(p.r + p.g + p.b) / 765;
            if (n >= t) continue;
            statistics(i, j, 1, 2);
            if (im.r_min > p.r || n > 0.6) continue;
            p.r = truncate_to_sample((L(p.r) + im.r_min) * 0.5);
            continue;
          }
          const L share = blue ? L(3 * p.b) / (p.r + p.g + p.b + 1) : centre_share;
          if (share < cfak && L(p.*f) / (p.g + 1) < L(cfak) - 0.2) continue;
          if (L(p.*f) / (p.*o + 1) < L(cfak) - 0.5) continue;
          if (L(p.r) / (p.g + 1) < 0.4 || L(p.g) / 255 > 0.6) continue;
          const int16_t m = std::min({p.*f, im.at(i - 1, j - 1).*f, im.at(i + 1, j - 1).*f,
                                      im.at(i - 1, j + 1).*f, im.at(i + 1, j + 1).*f});
          p.*f = truncate_to_sample((L(p.*f) + 0.5 * m) / 1.5);
        }
      }
    }
  }
}

std::vector<int32_t> statistics_of(const Image &im) {
  return {im.sum_min, im.sum_max, im.r_min, im.r_max, im.g_min, im.g_max,
          im.b_min,   im.b_max,   im.r_mean, im.g_mean, im.b_mean};
}

// Samples drawn half from values where the tests turn (ties, zero
// denominators, the ends of the range) and half at random.
Image edgy_image(int nx, int ny, int lo, int hi, uint32_t seed) {
  static const int16_t kEdges[] = {-32768, -32767, -2, -1, 0, 1, 2, 20, 40, 99, 100, 101,
                                   131, 152, 153, 243, 250, 255, 302, 30000, 32767};
  int16_t Pixel::*const channels[] = {&Pixel::r, &Pixel::g, &Pixel::b};
  Image im = testing::random_image(nx, ny, lo, hi, seed);
  std::mt19937 random(seed);
  for (int64_t k = 0; k < im.pixel_count(); ++k) {
    for (int16_t Pixel::*c : channels) {
      if (random() % 2) im.pixels[k].*c = kEdges[random() % std::size(kEdges)];
    }
  }
  return im;
}

struct Quiet {
  Quiet() { ::testing::internal::CaptureStderr(); }
  ~Quiet() { ::testing::internal::GetCapturedStderr(); }
};

TEST(FringeCorrection, AgreesWithPlainVersion) {
  const Handler handlers[] = {red_fringe_correction, blue_fringe_correction, rfc1_correction};
  const char *words[] = {"x", "1,0.95,3,2", "0.3,0.5,2,1", "-1,0.9,1,3", "0,-2,2,2",
                         "2,nan,1,3", "1,-inf,0,1", "5,0.2,4,5"};
  const Image images[] = {edgy_image(330, 200, 0, 255, 1), edgy_image(40, 30, 0, 255, 2),
                          edgy_image(300, 210, INT16_MIN, INT16_MAX, 3)};
  for (const Image &image : images) {
    for (int h = 0; h < 3; ++h) {
      const Handler handler = handlers[h];
      for (const char *word : words) {
        SCOPED_TRACE(::testing::Message() << image.nx << "x" << image.ny << " handler " << h
                                          << " word " << word);
        Image expected = image.scratch_copy(), got = image.scratch_copy();
        reference(handler, word, expected);
        {
          Quiet quiet;
          handler(word, got);
        }
        ASSERT_EQ(samples_of(got), samples_of(expected));
        EXPECT_EQ(statistics_of(got), statistics_of(expected));
      }
    }
  }
}

}  // namespace
}  // namespace photofilter
