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
    for (int64_t j = std::max<int64_t>(y - radius, 0);
         j <= std::min<int64_t>(y + radius, im.ny - 1); j += step)
      for (int64_t i = std::max<int64_t>(x - radius, 0);
           i <= std::min<int64_t>(x + radius, im.nx - 1); i += step)
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
  return {im.sum_min, im.sum_max, im.r_min,  im.r_max,  im.g_min, im.g_max,
          im.b_min,   im.b_max,   im.r_mean, im.g_mean, im.b_mean};
}

// Samples drawn half from values where the tests turn (ties, zero
// denominators, the ends of the range) and half at random.
Image edgy_image(int nx, int ny, int lo, int hi, uint32_t seed) {
  static const int16_t kEdges[] = {-32768, -32767, -2,  -1,  0,   1,   2,   20,  40,    99,   100,
                                   101,    131,    152, 153, 243, 250, 255, 302, 30000, 32767};
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
  const char *words[] = {"x",        "1,0.95,3,2", "0.3,0.5,2,1", "-1,0.9,1,3",
                         "0,-2,2,2", "2,nan,1,3",  "1,-inf,0,1",  "5,0.2,4,5"};
  const Image images[] = {edgy_image(330, 200, 0, 255, 1), edgy_image(40, 30, 0, 255, 2),
                          edgy_image(300, 210, INT16_MIN, INT16_MAX, 3)};
  for (const Image &image : images) {
    for (int h = 0; h < 3; ++h) {
      const Handler handler = handlers[h];
      for (const char *word : words) {
        SCOPED_TRACE(::testing::Message()
                     << image.nx << "x" << image.ny << " handler " << h << " word " << word);
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

// Every denominator, the numerators around where the quotient crosses the
// limit and at the ends of the range: the table answers as the division.
TEST(FringeCorrection, QuotientTableAgreesWithExtendedDivision) {
  const L limits[] = {L(1.51) - 0.2,
                      L(1.51) - 0.5,
                      0.4,
                      L(0.5 / 3 + 1.01) - 0.2,
                      -0.75,
                      0,
                      1e-30L,
                      5e9L,
                      std::numeric_limits<L>::infinity(),
                      -std::numeric_limits<L>::infinity(),
                      std::numeric_limits<L>::quiet_NaN()};
  for (const L limit : limits) {
    SCOPED_TRACE(::testing::Message() << "limit " << static_cast<double>(limit));
    const QuotientBelow below(limit);
    for (int32_t d = QuotientBelow::kLowestDenominator; d <= QuotientBelow::kHighestDenominator;
         ++d) {
      const int64_t turn = std::isfinite(static_cast<double>(limit * d)) ? int64_t(limit * d) : 0;
      for (int64_t n : {int64_t{INT16_MIN}, int64_t{INT16_MAX}, int64_t{-1}, int64_t{0}, turn - 2,
                        turn - 1, turn, turn + 1, turn + 2}) {
        n = std::clamp<int64_t>(n, INT16_MIN, INT16_MAX);
        ASSERT_EQ(below(int32_t(n), d), L(n) / d < limit) << n << " / " << d;
      }
    }
  }
}

Image filled(int nx, int ny, Pixel pixel) {
  Image im;
  im.nx = nx;
  im.ny = ny;
  im.pixels = allocate_pixels(int64_t{nx} * ny, "test image");
  std::fill(im.pixels.get(), im.pixels.get() + im.pixel_count(), pixel);
  return im;
}

std::string file_of(const Image &im) {
  std::vector<uint8_t> bytes;
  for (int64_t k = 0; k < im.pixel_count(); ++k) {
    const Pixel &p = im.pixels[k];
    bytes.insert(bytes.end(), {clamp_to_byte(p.r), clamp_to_byte(p.g), clamp_to_byte(p.b)});
  }
  return ppm_file(im.nx, im.ny, bytes);
}

// The masked log from the first command up to the writing of the image.
std::string command_log(const std::string &err) {
  const std::string log = mask_times(err);
  const size_t begin = log.find("cmd "), end = log.find("save type");
  return begin == std::string::npos ? log : log.substr(begin, end - begin);
}

std::string step_line(const std::string &label) {
  return label + " cpu time step 1 total T this step T \n";
}

// One centre (2, 2) with extent 1 on a black 500 x 9 image (statistics
// sampled at the centre's diagonal neighbours, which are dark); the pixel P
// at (1, 1) is the window's first, and its diagonal neighbours outside the
// window hold `neighbour`, so m = min(P, neighbour, centre).
TEST(FringeCorrection, WindowTestsAndTies) {
  const Pixel white{250, 250, 250, 0}, orange{255, 245, 0, 0}, tie{302, 297, 0, 0};
  const struct {
    Handler handler;
    Pixel centre, p;
    int16_t expected;
    int16_t neighbour = 0;
  } cases[] = {
      // White centre: red share about 1, so red needs r/(g+1) >= 1.31 (P's
      // own share does not count).
      {red_fringe_correction, white, {131, 99, 0, 0}, 87},  // exactly 1.31 passes
      {red_fringe_correction, white, {130, 99, 0, 0}, 130},
      {red_fringe_correction, white, {101, 10, 99, 0}, 101},  // r/(b+1) exactly 1.01
      {red_fringe_correction, white, {102, 10, 99, 0}, 68},
      {red_fringe_correction, white, {250, 153, 0, 0}, 250},  // g 153 counts as above 0.6
      {red_fringe_correction, white, {250, 152, 0, 0}, 166},
      // Orange centre: red share 1.527 lets any ratio from 0.4 pass.
      {red_fringe_correction, orange, {100, 99, 0, 0}, 66},  // m 0: 66.67 truncated
      {red_fringe_correction, orange, {100, 99, 0, 0}, 83, 50},
      {red_fringe_correction, orange, {40, 99, 0, 0}, 40},  // r/(g+1) exactly 0.4
      {red_fringe_correction, orange, {41, 99, 0, 0}, 27},
      {red_fringe_correction, tie, {100, 99, 0, 0}, 100},  // share exactly 1.51 is below
      // Blue reads P's own blue share.
      {blue_fringe_correction, white, {10, 100, 200, 0}, 200},  // r/(g+1) < 0.4
      {blue_fringe_correction, white, {40, 50, 200, 0}, 133},
      {blue_fringe_correction, white, {60, 50, 100, 0}, 66},    // share 1.42, b/(g+1) 1.96
      {blue_fringe_correction, orange, {60, 80, 100, 0}, 100},  // share 1.25, b/(g+1) 1.23
      {blue_fringe_correction, white, {99, 50, 101, 0}, 101},   // b/(r+1) exactly 1.01
  };
  for (const auto &c : cases) {
    const bool blue = c.handler == blue_fringe_correction;
    SCOPED_TRACE(::testing::Message() << (blue ? "blue " : "red ") << c.p.r << "," << c.p.g << ","
                                      << c.p.b << " centre r " << c.centre.r);
    Image im = filled(500, 9, Pixel{0, 0, 0, 0});
    im.at(2, 2) = c.centre;
    im.at(1, 1) = c.p;
    for (const auto &[x, y] : {std::pair{0, 0}, {2, 0}, {0, 2}})
      im.at(x, y) = Pixel{c.neighbour, 0, c.neighbour, 0};
    Image expected = im.scratch_copy();
    (blue ? expected.at(1, 1).b : expected.at(1, 1).r) = c.expected;
    {
      Quiet quiet;
      c.handler("1,0.95,1,1000", im);
    }
    EXPECT_EQ(samples_of(im), samples_of(expected));
  }
}

// A highlight (columns 3 on) next to a red or blue fringe (columns 1 and 2)
// on black, one centre (3, 3) with extent 2. In each window row the inner
// fringe pixel is pulled towards the black beside it (m 0), and the outer
// one towards the inner one's value: still 90 in the first row, already
// corrected to 60 in the rows below. Nothing outside rows 1..5 changes.
TEST(FringeCorrection, HighlightWithFringe) {
  const Pixel red_inner{90, 20, 10, 0}, red_outer{120, 40, 30, 0};
  const Pixel blue_inner{10, 20, 90, 0}, blue_outer{30, 40, 120, 0};
  const std::string header = " command params 4\n";
  const struct {
    const char *command;
    Pixel inner, outer;
    std::vector<int16_t> inner_after, outer_after;  // rows 1..5
    std::string log;
  } cases[] = {
      {"-rfc",
       red_inner,
       red_outer,
       {60, 60, 60, 60, 60},
       {110, 100, 100, 100, 100},
       "krc command params 4\nkrc correction factor 1 slimit 0.95 extent 2 xyinc 1000\n"
       "krc using cfak 1.51 \n" +
           step_line("red frings correction")},
      {"-bfc",
       blue_inner,
       blue_outer,
       {60, 60, 60, 60, 60},
       {110, 100, 100, 100, 100},
       "kbc command params 4\nkbc correction factor 1 slimit 0.95 extent 2 xyinc 1000\n"
       "kbc using cfak 1.51 \n" +
           step_line("blue frings correction")},
      // The mean with the diagonal minimum: 45, then (120 + 90) / 2 and
      // (120 + 45) / 2; 10 of 4500 pixels corrected.
      {"-rfc1",
       red_inner,
       red_outer,
       {45, 45, 45, 45, 45},
       {105, 82, 82, 82, 82},
       "rfc1 command params 4\nrfc1 correction factor 1 slimit 0.95 extent 2 xyinc 1000\n"
       "corrected points 10 cfak 1.3 % 0.222222\n" +
           step_line("rfc1 correction")},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.command);
    Image im = filled(500, 9, Pixel{0, 0, 0, 0});
    for (int y = 0; y < 9; ++y) {
      im.at(1, y) = c.inner;
      im.at(2, y) = c.outer;
      for (int x = 3; x < 7; ++x) im.at(x, y) = Pixel{250, 250, 250, 0};
    }
    const testing::ProgramResult result =
        run_photofilter({c.command, "1,0.95,2,1000"}, file_of(im));
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(command_log(result.err),
              std::string("cmd ") + c.command + ", par 1,0.95,2,1000\n" + c.log);
    int16_t Pixel::*channel = c.command == std::string("-bfc") ? &Pixel::b : &Pixel::r;
    for (int y = 1; y <= 5; ++y) {
      im.at(1, y).*channel = c.inner_after[y - 1];
      im.at(2, y).*channel = c.outer_after[y - 1];
    }
    EXPECT_EQ(result.out, file_of(im));
  }
}

// "-rfc1" with one centre (2, 2) and extent 1; P at (1, 1) is the only
// window pixel that can be counted (the cyan ground is a candidate but too
// bright), its diagonal neighbours outside the window have red 20.
TEST(FringeCorrection, Rfc1CandidatesAndCount) {
  const struct {
    const char *word;
    Pixel centre, p;
    int16_t expected;
    int count;
  } cases[] = {
      {"1,0.95,1,1000", {255, 255, 255, 0}, {101, 0, 0, 0}, 60, 1},     // mean 60.5 truncated
      {"1,0.95,1,1000", {255, 255, 255, 0}, {20, 0, 0, 0}, 20, 1},      // r equal to r_min
      {"1,0.95,1,1000", {255, 255, 255, 0}, {19, 0, 0, 0}, 19, 0},      // r below r_min
      {"1,0.95,1,1000", {255, 255, 255, 0}, {255, 204, 0, 0}, 255, 0},  // sum 459
      {"1,0.95,1,1000", {255, 255, 255, 0}, {255, 203, 0, 0}, 137, 1},
      // slimit 0.5, centre sum 460: a sum of 230 is exactly as dark as the
      // limit and no candidate; r_min is the centre's red 0.
      {"1,0.5,1,1000", {0, 255, 205, 0}, {100, 100, 30, 0}, 100, 0},
      {"1,0.5,1,1000", {0, 255, 205, 0}, {100, 100, 29, 0}, 50, 1},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(::testing::Message() << c.word << " P " << c.p.r << "," << c.p.g << "," << c.p.b);
    Image im = filled(500, 9, Pixel{0, 255, 255, 0});
    im.at(2, 2) = c.centre;
    im.at(1, 1) = c.p;
    for (const auto &[x, y] : {std::pair{0, 0}, {2, 0}, {0, 2}})
      im.at(x, y) = Pixel{20, 255, 255, 0};
    const testing::ProgramResult result = run_photofilter({"-rfc1", c.word}, file_of(im));
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.err.find(c.count ? "corrected points 1 cfak 1.3 % 0.0222222\n"
                                      : "corrected points 0 cfak 1.3 % 0\n"),
              std::string::npos)
        << result.err;
    im.at(1, 1).r = c.expected;
    EXPECT_EQ(result.out, file_of(im));
  }
}

TEST(FringeCorrection, LogsProgressAndRejections) {
  std::string deciles, all_deciles;
  for (int d = 0; d <= 9; ++d)
    (d <= 8 ? deciles : all_deciles) += "complete " + std::to_string(d) + "0%\n";
  all_deciles = deciles + all_deciles;
  const Image random = testing::random_image(20, 20, 0, 255, 9);
  const Image dull = filled(250, 260, Pixel{60, 242, 40, 0});  // no green reaches 243
  const struct {
    std::vector<std::string> args;
    const Image &image;
    int status;
    std::string log;  // what follows the "cmd" line
  } cases[] = {
      // Too small for a statistics radius: nothing is corrected.
      {{"-rfc", ""},
       random,
       0,
       "krc command params -1\nkrc correction factor 1 slimit 0.95 extent 0 xyinc 1\n"
       "krc using cfak 1.51 \n" +
           deciles + step_line("red frings correction")},
      // Rows 1, 4, ...: 10 y / 20 goes 0, 2, and the lines stop after 0.
      {{"-bfc", "2,0.9,0,3"},
       random,
       0,
       "kbc command params 4\nkbc correction factor 2 slimit 0.9 extent 0 xyinc 3\n"
       "kbc using cfak 1.26 \ncomplete 00%\n" +
           step_line("blue frings correction")},
      {{"-rfc1", "x"},
       random,
       0,
       "rfc1 command params 0\nrfc1 correction factor 1 slimit 0.95 extent 0 xyinc 1\n" + deciles +
           "corrected points 0 cfak 1.3 % 0\n" + step_line("rfc1 correction")},
      {{"-rfc", "1,0.95,1,1"},
       dull,
       0,
       "krc command params 4\nkrc correction factor 1 slimit 0.95 extent 1 xyinc 1\n"
       "krc using cfak 1.51 \n" +
           all_deciles + step_line("red frings correction")},
      {{"-rfc", "1,0.95,2147483647,2147483647"},
       random,
       0,
       "krc command params 4\nkrc correction factor 1 slimit 0.95 extent 2147483647 xyinc "
       "2147483647\nkrc using cfak 1.51 \n" +
           step_line("red frings correction")},
      {{"-rfc1", "1,-1,0,2147483647"},
       random,
       0,
       "rfc1 command params 4\nrfc1 correction factor 1 slimit -1 extent 0 xyinc 2147483647\n"
       "complete 00%\ncorrected points 0 cfak 1.3 % 0\n" +
           step_line("rfc1 correction")},
      {{"-rfc", "1,0.95,-1"},
       random,
       1,
       "invalid parameter -rfc 1,0.95,-1: extent must be 0 or more\n"},
      {{"-bfc", "1,1,2,0"}, random, 1, "invalid parameter -bfc 1,1,2,0: xyinc must be 1 or more\n"},
      {{"-rfc1", "1,1,-5,-5"},
       random,
       1,
       "invalid parameter -rfc1 1,1,-5,-5: extent must be 0 or more\n"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1]);
    const std::string input = file_of(c.image);
    const testing::ProgramResult result = run_photofilter(c.args, input);
    ASSERT_EQ(result.status, c.status) << result.err;
    EXPECT_EQ(command_log(result.err), "cmd " + c.args[0] + ", par " + c.args[1] + "\n" + c.log);
    EXPECT_EQ(result.out, c.status == 0 ? input : "");
  }
}

// A 3000 x 2000 image gets extent 33, xyinc 2 and a statistics radius of
// 10: the one bright centre (100, 100) samples (90, 90), (110, 90),
// (90, 110) and (110, 110), and nothing in its window is a fringe.
TEST(FringeCorrection, DefaultsOfA3000By2000Image) {
  Image im = filled(3000, 2000, Pixel{0, 0, 0, 0});
  im.at(100, 100) = Pixel{250, 250, 250, 0};
  im.at(90, 90) = Pixel{5, 60, 7, 0};
  im.at(110, 90) = Pixel{50, 6, 70, 0};
  im.at(90, 110) = Pixel{9, 8, 100, 0};
  im.at(110, 110) = Pixel{1, 200, 3, 0};
  const std::vector<int16_t> before = samples_of(im);
  ::testing::internal::CaptureStderr();
  red_fringe_correction("x", im);
  const std::string log = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(log.find("krc correction factor 1 slimit 0.95 extent 33 xyinc 2\n"), std::string::npos);
  EXPECT_EQ(statistics_of(im), (std::vector<int32_t>{72, 204, 1, 50, 6, 200, 3, 100, 16, 68, 45}));
  EXPECT_TRUE(samples_of(im) == before);
}

}  // namespace
}  // namespace photofilter
