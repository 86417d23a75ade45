// "-rfc", "-bfc" and "-rfc1": the handlers against their plans and plain
// rules, the exact integer tests against the quotients they stand for, the
// tie cases of the window tests, hand-built fringes, the defaults of large
// images, and the logs through the whole program.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "filters/fringe/fringe_commands.h"
#include "filters/fringe/fringe_quotients.h"
#include "filters/fringe/fringe_rules.h"
#include "run_program.h"
#include "test_images.h"

namespace photofilter {
namespace {

using testing::samples_of;
using L = long double;
using Handler = void (*)(const char *, Image &);

// The handler's plan and then its plain rule; returns the log and, for
// "-rfc1", the corrections made in `count`.
std::string correct_plainly(Handler handler, const char *word, Image &im, int64_t &count) {
  ::testing::internal::CaptureStderr();
  if (handler == rfc1_correction) {
    count = correct_rfc1(im, plan_rfc1_correction(word, im));
  } else if (handler == blue_fringe_correction) {
    correct_fringes<BlueFringe>(im, plan_fringe_correction("kbc", word, im));
  } else {
    correct_fringes<RedFringe>(im, plan_fringe_correction("krc", word, im));
  }
  return ::testing::internal::GetCapturedStderr();
}

// The "-rfc1" closing line for `count` corrections, up to the percentage.
std::string corrected_points(int64_t count) {
  return "corrected points " + std::to_string(count) + " cfak 1.3 % ";
}

// Runs a handler in process and returns its log.
std::string run_handler(Handler handler, const char *word, Image &im) {
  ::testing::internal::CaptureStderr();
  handler(word, im);
  return ::testing::internal::GetCapturedStderr();
}

// Half the samples are values where the tests turn (ties, zero
// denominators, the ends of the range), half are drawn at random.
Image edgy_image(int nx, int ny, int lo, int hi, uint32_t seed) {
  static const int16_t kEdges[] = {-32768, -32767, -2,  -1,  0,   1,   2,   20,  40,    99,   100,
                                   101,    131,    152, 153, 243, 250, 255, 302, 30000, 32767};
  Image im = testing::random_image(nx, ny, lo, hi, seed);
  std::mt19937 random(seed);
  for (int64_t k = 0; k < im.pixel_count(); ++k) {
    for (int16_t Pixel::*c : {&Pixel::r, &Pixel::g, &Pixel::b}) {
      if (random() % 2) im.pixels[k].*c = kEdges[random() % std::size(kEdges)];
    }
  }
  return im;
}

TEST(FringeCorrection, AgreesWithThePlainRules) {
  const Image images[] = {edgy_image(330, 200, 0, 255, 1), edgy_image(40, 30, 0, 255, 2),
                          edgy_image(300, 210, INT16_MIN, INT16_MAX, 3)};
  const char *words[] = {"x",        "1,0.95,3,2", "0.3,0.5,2,1", "-1,0.9,1,3",
                         "0,-2,2,2", "2,nan,1,3",  "1,-inf,0,1",  "5,0.2,4,5"};
  for (const Image &image : images) {
    for (const Handler handler : {red_fringe_correction, blue_fringe_correction, rfc1_correction}) {
      for (const char *word : words) {
        SCOPED_TRACE(::testing::Message() << image.nx << "x" << image.ny << " " << word);
        Image expected = image.scratch_copy(), got = image.scratch_copy();
        int64_t count = 0;
        const std::string plan_log = correct_plainly(handler, word, expected, count);
        const std::string log = run_handler(handler, word, got);
        ASSERT_EQ(samples_of(got), samples_of(expected));
        EXPECT_TRUE(log.starts_with(plan_log)) << log;
        if (handler == rfc1_correction) {
          EXPECT_NE(log.find(corrected_points(count)), std::string::npos) << log;
        }
      }
    }
  }
}

// Every denominator, with the numerators where the quotient crosses the
// limit and at the ends of the range.
TEST(FringeCorrection, QuotientTableAgreesWithExtendedDivision) {
  const L inf = std::numeric_limits<L>::infinity();
  for (const L limit : {L(1.51) - 0.2, L(1.51) - 0.5, L(0.4), L(0.5 / 3 + 1.01) - 0.2, -0.75L, 0.0L,
                        1e-30L, 5e9L, inf, -inf, std::numeric_limits<L>::quiet_NaN()}) {
    const QuotientBelow below(limit);
    for (int32_t d = QuotientBelow::kLowestDenominator; d <= QuotientBelow::kHighestDenominator;
         ++d) {
      const int64_t turn = std::isfinite(double(limit * d)) ? int64_t(limit * d) : 0;
      for (const int64_t n : {int64_t{INT16_MIN}, int64_t{INT16_MAX}, int64_t{-1}, int64_t{0},
                              turn - 2, turn - 1, turn, turn + 1, turn + 2}) {
        const int32_t k = int32_t(std::clamp<int64_t>(n, INT16_MIN, INT16_MAX));
        ASSERT_EQ(below(k, d), quotient(k, d) < limit) << double(limit) << ": " << k << " / " << d;
      }
    }
  }
}

// Every green and every sum of three samples against the quotient tests
// the thresholds stand for, at and beside the limits that defaults and
// ties give; the integer rules for new values against their extended
// forms over every sample and the minima that can occur.
TEST(FringeCorrection, ExactIntegerTestsAgreeWithTheirQuotients) {
  const double inf = std::numeric_limits<double>::infinity();
  for (const double slimit : {0.95, 0.5, 1.0, 0.0, -2.0, 243 / 255.0, 1e10, -inf, inf}) {
    const int32_t first = first_bright_green(slimit);
    for (int32_t g = INT16_MIN; g <= INT16_MAX; ++g) {
      ASSERT_EQ(g >= first, bright_enough(slimit, g)) << slimit << " " << g;
    }
  }
  EXPECT_EQ(first_bright_green(std::nan("")), INT16_MIN);
  for (const L limit : {0.95L * 460 / 765, 0.5L * 460 / 765, L(0.95) * (L(765) / 765), 0.0L,
                        -1.5L, 200.0L, L(-inf), L(inf), std::numeric_limits<L>::quiet_NaN()}) {
    const int32_t first = first_sum_not_darker(limit);
    for (int32_t sum = 3 * INT16_MIN; sum <= 3 * INT16_MAX; ++sum) {
      ASSERT_EQ(sum < first, darker_than(sum, limit)) << double(limit) << " " << sum;
    }
  }
  for (int32_t g = INT16_MIN; g <= INT16_MAX; ++g) {
    ASSERT_EQ(g >= kFirstTooGreen, too_green(g)) << g;
  }
  for (int32_t sum = 3 * INT16_MIN; sum <= 3 * INT16_MAX; ++sum) {
    ASSERT_EQ(sum >= kFirstTooBrightSum, too_bright(sum)) << sum;
  }
  const int16_t minima[] = {INT16_MIN, -32767, -3, -2, -1, 0, 1, 2, 50, 29999, 30000, INT16_MAX};
  for (int32_t c = INT16_MIN; c <= INT16_MAX; ++c) {
    const int16_t sample = static_cast<int16_t>(c);
    for (const int16_t m : minima) {
      ASSERT_EQ(pulled_towards_exactly(sample, m), pulled_towards(sample, m)) << c << " " << m;
      if (m > c || m > WindowStatistics::kMinimumStart) continue;
      ASSERT_EQ(mean_with_minimum_exactly(c, m), mean_with_minimum(c, m)) << c << " " << m;
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

// One centre (2, 2) with extent 1 on a 500 x 9 ground. P at (1, 1) is the
// window's first pixel; its diagonal neighbours outside the window have red
// (and blue) `neighbour`, so with the centre they fix m or r_min. The black
// ground is the dark pixel of the centre's statistics; the cyan one is an
// "-rfc1" candidate too bright to be corrected, so only P can be counted.
TEST(FringeCorrection, WindowTestsAndTies) {
  const Handler red = red_fringe_correction, blue = blue_fringe_correction, rfc1 = rfc1_correction;
  const Pixel black{0, 0, 0, 0}, cyan{0, 255, 255, 0}, white{250, 250, 250, 0};
  const Pixel orange{255, 245, 0, 0}, share_tie{302, 297, 0, 0}, full{255, 255, 255, 0};
  const char *tight = "1,0.95,1,1000";
  const struct {
    Handler handler;
    const char *word;
    Pixel ground, centre, p;
    int16_t expected;
    int16_t neighbour = 0;
    int count = -1;  // "-rfc1" corrections
  } cases[] = {
      // A white centre's red share is about 1: red needs r/(g+1) >= 1.31
      // whatever P's own share.
      {red, tight, black, white, {131, 99, 0, 0}, 87},  // exactly 1.31 passes
      {red, tight, black, white, {130, 99, 0, 0}, 130},
      {red, tight, black, white, {101, 10, 99, 0}, 101},  // r/(b+1) exactly 1.01
      {red, tight, black, white, {102, 10, 99, 0}, 68},
      {red, tight, black, white, {250, 153, 0, 0}, 250},  // g 153 counts as above 0.6
      {red, tight, black, white, {250, 152, 0, 0}, 166},
      // An orange centre's share 1.527 lets ratios from 0.4 on pass.
      {red, tight, black, orange, {100, 99, 0, 0}, 66},      // m 0: 66.67 truncated
      {red, tight, black, orange, {100, 99, 0, 0}, 83, 50},  // m 50: 83.33
      {red, tight, black, orange, {40, 99, 0, 0}, 40},       // r/(g+1) exactly 0.4
      {red, tight, black, orange, {41, 99, 0, 0}, 27},
      {red, tight, black, share_tie, {100, 99, 0, 0}, 100},  // share exactly 1.51 is below
      // Blue reads P's own blue share.
      {blue, tight, black, white, {10, 100, 200, 0}, 200},  // r/(g+1) < 0.4
      {blue, tight, black, white, {40, 50, 200, 0}, 133},
      {blue, tight, black, white, {60, 50, 100, 0}, 66},        // share 1.42, b/(g+1) 1.96
      {blue, tight, black, orange, {60, 80, 100, 0}, 100},      // share 1.25, b/(g+1) 1.23
      {blue, tight, black, white, {99, 50, 101, 0}, 101},       // b/(r+1) exactly 1.01
      {rfc1, tight, cyan, full, {101, 0, 0, 0}, 60, 20, 1},     // mean 60.5 truncated
      {rfc1, tight, cyan, full, {20, 0, 0, 0}, 20, 20, 1},      // r equal to r_min counts
      {rfc1, tight, cyan, full, {19, 0, 0, 0}, 19, 20, 0},      // r below r_min
      {rfc1, tight, cyan, full, {255, 204, 0, 0}, 255, 20, 0},  // sum 459
      {rfc1, tight, cyan, full, {255, 203, 0, 0}, 137, 20, 1},
      // slimit 0.5, centre sum 460: a sum of 230 is exactly at the limit;
      // r_min is the centre's red 0.
      {rfc1, "1,0.5,1,1000", cyan, {0, 255, 205, 0}, {100, 100, 30, 0}, 100, 20, 0},
      {rfc1, "1,0.5,1,1000", cyan, {0, 255, 205, 0}, {100, 100, 29, 0}, 50, 20, 1},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(::testing::Message() << c.word << " P " << c.p.r << "," << c.p.g << "," << c.p.b
                                      << " centre " << c.centre.r << "," << c.centre.g);
    Image im = filled(500, 9, c.ground);
    im.at(2, 2) = c.centre;
    im.at(1, 1) = c.p;
    for (const auto &[x, y] : {std::pair{0, 0}, {2, 0}, {0, 2}}) {
      im.at(x, y) = Pixel{c.neighbour, c.ground.g, c.neighbour, 0};
    }
    Image expected = im.scratch_copy(), plain = im.scratch_copy();
    (c.handler == blue ? expected.at(1, 1).b : expected.at(1, 1).r) = c.expected;
    const std::string log = run_handler(c.handler, c.word, im);
    int64_t count = 0;
    correct_plainly(c.handler, c.word, plain, count);
    EXPECT_EQ(samples_of(im), samples_of(expected));
    EXPECT_EQ(samples_of(plain), samples_of(expected));
    if (c.count >= 0) {
      EXPECT_NE(log.find(corrected_points(c.count)), std::string::npos);
      EXPECT_EQ(count, c.count);
    }
  }
}

// A highlight (columns 3 to 6) beside a fringe (columns 1 and 2) on black,
// one centre (3, 3) with extent 2. In each window row the inner fringe
// pixel is pulled towards the black beside it, the outer one towards the
// inner one: still 90 in the first row, already corrected below. Nothing
// outside rows 1 to 5 changes.
TEST(FringeCorrection, HighlightWithFringe) {
  const Pixel red_inner{90, 20, 10, 0}, red_outer{120, 40, 30, 0};
  const Pixel blue_inner{10, 20, 90, 0}, blue_outer{30, 40, 120, 0};
  const struct {
    Handler handler;
    Pixel inner, outer;
    int16_t inner_after, outer_first, outer_after;
    const char *closing;
  } cases[] = {
      {red_fringe_correction, red_inner, red_outer, 60, 110, 100, ""},
      {blue_fringe_correction, blue_inner, blue_outer, 60, 110, 100, ""},
      // Means with the diagonal minimum: 90 / 2, (120 + 90) / 2 and
      // (120 + 45) / 2; 10 of 4500 pixels.
      {rfc1_correction, red_inner, red_outer, 45, 105, 82,
       "corrected points 10 cfak 1.3 % 0.222222\n"},
  };
  for (const auto &c : cases) {
    Image im = filled(500, 9, Pixel{0, 0, 0, 0});
    for (int y = 0; y < 9; ++y) {
      im.at(1, y) = c.inner;
      im.at(2, y) = c.outer;
      for (int x = 3; x < 7; ++x) im.at(x, y) = Pixel{250, 250, 250, 0};
    }
    Image expected = im.scratch_copy();
    int16_t Pixel::*channel = c.handler == blue_fringe_correction ? &Pixel::b : &Pixel::r;
    for (int y = 1; y <= 5; ++y) {
      expected.at(1, y).*channel = c.inner_after;
      expected.at(2, y).*channel = y == 1 ? c.outer_first : c.outer_after;
    }
    Image plain = im.scratch_copy();
    int64_t count = 0;
    correct_plainly(c.handler, "1,0.95,2,1000", plain, count);
    const std::string log = run_handler(c.handler, "1,0.95,2,1000", im);
    EXPECT_EQ(samples_of(im), samples_of(expected));
    EXPECT_EQ(samples_of(plain), samples_of(expected));
    EXPECT_NE(log.find(c.closing), std::string::npos) << log;
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
  const std::string log = run_handler(red_fringe_correction, "x", im);
  EXPECT_NE(log.find("krc correction factor 1 slimit 0.95 extent 33 xyinc 2\n"), std::string::npos);
  ::testing::internal::CaptureStderr();
  const FringeCorrectionPlan plan = plan_fringe_correction("krc", "x", im);
  ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(plan.stat_radius, 10);
  const WindowStatistics s = sampled_statistics(im, 100, 100, plan.stat_radius);
  EXPECT_EQ((std::vector<int32_t>{s.sum_min(), s.sum_max(), s.r_min(), s.r_max(), s.g_min(),
                                  s.g_max(), s.b_min(), s.b_max(), s.r_mean(), s.g_mean(),
                                  s.b_mean()}),
            (std::vector<int32_t>{72, 204, 1, 50, 6, 200, 3, 100, 16, 68, 45}));
  EXPECT_TRUE(samples_of(im) == before);
}

// Sizes where (nx + ny) / 150 and / 151 differ: 3001 / 150 = 20.007 and
// 4501 / 150 = 30.007; both give xyinc 2.
TEST(FringeCorrection, DefaultsFollowTheImageSize) {
  const struct {
    int nx, ny;
    const char *extent;
  } sizes[] = {{3000, 1, "extent 20 xyinc 2\n"}, {1, 4500, "extent 30 xyinc 2\n"}};
  for (const auto &size : sizes) {
    for (const auto &[handler, tag] : {std::pair<Handler, const char *>{red_fringe_correction, "krc"},
                                       {blue_fringe_correction, "kbc"},
                                       {rfc1_correction, "rfc1"}}) {
      Image im = filled(size.nx, size.ny, Pixel{250, 250, 250, 0});
      const std::string log = run_handler(handler, "", im);
      EXPECT_NE(log.find(std::string(tag) + " correction factor 1 slimit 0.95 " + size.extent),
                std::string::npos)
          << log;
    }
  }
}

TEST(FringeCorrection, LogsProgressAndRejections) {
  std::string deciles;
  for (int d = 0; d <= 9; ++d) deciles += "complete " + std::to_string(d) + "0%\n";
  const std::string to_80 = deciles.substr(0, deciles.find("complete 90"));
  const auto step = [](std::string label) {
    return label + " cpu time step 1 total T this step T \n";
  };
  const std::string small = testing::ppm_file(20, 20, std::vector<uint8_t>(1200, 250));
  const std::string dull = testing::ppm_file(250, 260, std::vector<uint8_t>(195000, 242));
  const std::string krc = "krc using cfak 1.51 \n", rfc1_none = "corrected points 0 cfak 1.3 % 0\n";
  const struct {
    std::vector<std::string> args;
    const std::string &input;
    std::string log;  // after the "cmd" line; for a rejection, exit 1 and no image
  } cases[] = {
      // clang-format off
      // Too small for a statistics radius: nothing is corrected.
      {{"-rfc", ""}, small, "krc command params -1\nkrc correction factor 1 slimit 0.95 extent 0 "
       "xyinc 1\n" + krc + to_80 + step("red frings correction")},
      // Rows 1, 4, ...: 10 y / 20 goes 0, 2, and the lines stop after 0.
      {{"-bfc", "2,0.9,0,3"}, small, "kbc command params 4\nkbc correction factor 2 slimit 0.9 "
       "extent 0 xyinc 3\nkbc using cfak 1.26 \ncomplete 00%\n" + step("blue frings correction")},
      // No green reaches 243.
      {{"-rfc", "1,0.95,1,1"}, dull, "krc command params 4\nkrc correction factor 1 slimit 0.95 "
       "extent 1 xyinc 1\n" + krc + deciles + step("red frings correction")},
      {{"-rfc", "1,0.95,2147483647,2147483647"}, small, "krc command params 4\nkrc correction "
       "factor 1 slimit 0.95 extent 2147483647 xyinc 2147483647\n" + krc +
       step("red frings correction")},
      {{"-rfc1", "1,-1,0,2147483647"}, small, "rfc1 command params 4\nrfc1 correction factor 1 "
       "slimit -1 extent 0 xyinc 2147483647\ncomplete 00%\n" + rfc1_none +
       step("rfc1 correction")},
      {{"-rfc", "1,0.95,-1"}, small,
       "invalid parameter -rfc 1,0.95,-1: extent must be 0 or more\n"},
      {{"-bfc", "1,1,2,0"}, small, "invalid parameter -bfc 1,1,2,0: xyinc must be 1 or more\n"},
      {{"-rfc1", "1,1,-5,-5"}, small,
       "invalid parameter -rfc1 1,1,-5,-5: extent must be 0 or more\n"},
      // clang-format on
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1]);
    const testing::ProgramResult result = testing::run_photofilter(c.args, c.input);
    const bool rejected = c.log.starts_with("invalid");
    ASSERT_EQ(result.status, rejected ? 1 : 0) << result.err;
    const std::string log = testing::mask_times(result.err);
    const size_t begin = log.find("cmd "), end = log.find("save type");
    EXPECT_EQ(log.substr(begin, end - begin),
              "cmd " + c.args[0] + ", par " + c.args[1] + "\n" + c.log);
    EXPECT_EQ(result.out, rejected ? "" : c.input);
  }
}

}  // namespace
}  // namespace photofilter
