// The noise reductions, the 2x2 block blur and the test filter: their logs
// through the whole program, hand-computed results, and the row-wise and
// lane-wise paths of single pixel removal and the contour stage against
// their plain rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "filters/edge/edge_commands.h"
#include "filters/noise/contour_lanes.h"
#include "filters/noise/noise_commands.h"
#include "filters/noise/noise_plans.h"
#include "filters/noise/noise_reduction_stages.h"
#include "filters/noise/single_pixel_removal.h"
#include "image/kernels.h"
#include "run_program.h"
#include "test_images.h"

namespace photofilter {
namespace {

using testing::mask_times;
using testing::ppm_file;
using testing::random_image;
using testing::row_image;
using testing::run_photofilter;
using testing::samples_of;

using Handler = void (*)(const char *, Image &);

std::string step(const std::string &label, int n) {
  return label + " cpu time step " + std::to_string(n) + " total T this step T \n";
}

// The masked log between the command's "cmd" line and the writing.
std::string command_log(const std::string &err) {
  const std::string log = mask_times(err);
  const size_t begin = log.find("cmd ");
  return log.substr(begin, log.find("save type") - begin);
}

Image image_of(int nx, int ny, const std::vector<Pixel> &pixels) {
  Image image;
  image.nx = nx;
  image.ny = ny;
  image.pixels = allocate_pixels(int64_t{nx} * ny, "test image");
  std::copy(pixels.begin(), pixels.end(), image.pixels.get());
  return image;
}

Image flat_image(int nx, int ny, Pixel pixel) {
  return image_of(nx, ny, std::vector<Pixel>(size_t(nx) * ny, pixel));
}

std::vector<int16_t> rgb_of(const Image &image) {
  std::vector<int16_t> rgb;
  for (int64_t i = 0; i < image.pixel_count(); ++i) {
    rgb.insert(rgb.end(), {image.pixels[i].r, image.pixels[i].g, image.pixels[i].b});
  }
  return rgb;
}

// Step lines `first` .. `last`, all with the same label.
std::string steps(const std::string &label, int first, int last) {
  std::string lines;
  for (int n = first; n <= last; ++n) lines += step(label, n);
  return lines;
}

// The lines of blur cycles with the given radii, counted from step 1.
std::string blur_cycles(const std::string &label, const std::vector<int> &radii) {
  std::string lines;
  for (size_t k = 1; k <= radii.size(); ++k) {
    lines += "cycle " + std::to_string(k) + " radius " + std::to_string(radii[k - 1]) + "\n" +
             step(label, int(k));
  }
  return lines;
}

TEST(NoiseCommands, LogsSizesAndStepLines) {
  const std::string snr = "simple noisereduction  cradius,sraduis,cnr,snr ";
  const std::string snr_done = step("simple noisereduction  done", 1);
  const std::string nr = "noise reduction cycles ", nr_cycle = "noise reduction cycle";
  const std::string cnr = "color noise reduction cycles ";
  const std::string cnr_cycle = "color noise reduction cycle";
  const std::string cnr_default = cnr + "2 radius 20 weight 1\n" +
                                  blur_cycles(cnr_cycle, {10, 20}) +
                                  step("color noise reduction done", 3);
  const std::string same = "P6\n11 7\n";
  const struct {
    std::vector<std::string> args;
    std::string log;
    std::string header;
  } cases[] = {
      {{"-snr"}, snr + "10,3,1,3 \n" + snr_done, same},
      {{"-snr", "8"}, snr + "8,3,1,3 \n" + snr_done, same},
      {{"-snr", "2"}, snr + "2,1,1,3 \n" + snr_done, same},
      {{"-snr", "8,5,2,4"}, snr + "8,5,2,4 \n" + snr_done, same},
      {{"-fnr"}, "fnr average 5 weight 1,1,1 cycles 1 \n" + step("fnr ", 1) + step("fnr done", 2),
       same},
      {{"-fnr", "3,4"}, "fnr average 3 weight 4,4,4 cycles 1 \n" + step("fnr ", 1) +
                            step("fnr done", 2), same},
      {{"-fnr", "-2,2,0,-1,0"}, "fnr average 5 weight 2,0,2 cycles 0 \n" + step("fnr done", 1),
       same},
      {{"-nr"}, nr + "1 average 10 contour 1 weight 1 max 255 dither 1\n" +
                    blur_cycles(nr_cycle, {10}) + "contour sharping weight 1 color dithering 1 \n" +
                    step("contour sharping", 2) + step("noise reduction done", 3), same},
      {{"-nr", "3,10,0"}, nr + "3 average 10 contour 0 weight 1 max 255 dither 1\n" +
                              blur_cycles(nr_cycle, {3, 6, 10}) + step("noise reduction done", 4),
       same},
      {{"-nr", "4,2,0.01"}, nr + "4 average 2 contour 0.01 weight 1 max 255 dither 1\n" +
                                blur_cycles(nr_cycle, {1, 1, 1, 2}) +
                                step("noise reduction done", 5), same},
      {{"-nr", "4,0,0,0.5,0,0"}, nr + "4 average 4 contour 0 weight 0.5 max 0 dither 0\n" +
                                     blur_cycles(nr_cycle, {1, 2, 3, 4}) +
                                     "gamma correction 1.04\n" + step("noise reduction done", 5),
       same},
      {{"-cnr"}, cnr_default, same},
      {{"-cnr", "2,20,1.0,7"}, cnr_default, same},
      {{"-cnr", "4,2,0.99"}, cnr + "4 radius 2 weight 0.99\n" +
                                 blur_cycles(cnr_cycle, {1, 1, 1, 2}) +
                                 step("color noise reduction done", 5), same},
      {{"-spr", ""}, "single pixel removal   \n" + step("single pixel removal done", 1), same},
      {{"-b2"}, "blur 2 cycles 1\n" + step("blur2 cycle done", 1) + step("blur2 done", 2),
       "P6\n10 6\n"},
      {{"-b2", "0"}, "blur 2 cycles 0\n" + step("blur2 done", 1), same},
      {{"-b2", "2000000000"}, "blur 2 cycles 2000000000\n" + steps("blur2 cycle done", 1, 7) +
                                  step("blur2 done", 8), "P6\n4 0\n"},
      {{"-t", "5,2.0,7,0.5"}, "test cycles 5 gain 2 radius 7 weight 0.5\n" + step("test done", 1),
       "P6\n10 6\n"},
      {{"-b2", "7", "-t"},  // the test filter on an empty image still logs
       "blur 2 cycles 7\n" + steps("blur2 cycle done", 1, 7) + step("blur2 done", 8) +
           "cmd -t, par x\ntest cycles 1 gain 1 radius 3 weight 1\n" + step("test done", 9),
       "P6\n4 0\n"},
  };
  const std::string input = ppm_file(11, 7, std::vector<uint8_t>(11 * 7 * 3, 90));
  for (const auto &c : cases) {
    SCOPED_TRACE(c.args[0] + (c.args.size() > 1 ? " " + c.args[1] : ""));
    const testing::ProgramResult result = run_photofilter(c.args, input);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out.substr(0, c.header.size()), c.header);
    const std::string cmd =
        "cmd " + c.args[0] + ", par " + (c.args.size() > 1 ? c.args[1] : "x") + "\n";
    EXPECT_EQ(command_log(result.err), cmd + c.log);
  }
}

TEST(BlockMean, BlocksTruncateTowardZeroAndAuxIsZero) {
  for (Handler handler : {blur2, test_filter}) {
    Image image = image_of(3, 2, {{10, -1, 0, 5}, {11, -1, 0, 5}, {7, 7, 7, 7},
                                  {12, -2, 0, 5}, {12, -1, 0, 5}, {7, 7, 7, 7}});
    handler("1", image);
    ASSERT_EQ(image.nx, 2);
    ASSERT_EQ(image.ny, 1);
    // 45 / 4 = 11.25 -> 11 and -5 / 4 -> -1; then 37 / 4 -> 9, 12 / 4 and 14 / 4 -> 3.
    EXPECT_EQ(samples_of(image), (std::vector<int16_t>{11, -1, 0, 0, 9, 3, 3, 0}));
  }
  Image empty = flat_image(0, 3, {});
  test_filter("x", empty);
  EXPECT_EQ(empty.nx, 0);
  EXPECT_EQ(empty.ny, 3);
}

TEST(SimpleNoiseReduction, OffsetRoundingAndSaturatedRescale) {
  // Unchanged by both smoothings, each channel of 1 or more comes out one lower.
  Image flat = flat_image(12, 12, {0, 1, 200, -3});
  simple_noise_reduction("x", flat);
  const std::vector<int16_t> samples = samples_of(flat);
  EXPECT_EQ(std::vector<int16_t>(samples.begin(), samples.begin() + 8),
            (std::vector<int16_t>{0, 0, 199, 966, 0, 0, 199, 966}));
  // The middle sum 766 steps up to 20765, scaling its channels by 27.1: the
  // huge red and green saturate instead of wrapping.
  Image row = image_of(3, 1, {{10000, 10000, 10000, 0}, {20000, -20000, 0, 0},
                              {10000, 10000, 10000, 0}});
  simple_noise_reduction("5,1,1,19999", row);
  EXPECT_EQ(rgb_of(row), (std::vector<int16_t>{9999, 9999, 9999, 32512, -32768, 6657,
                                               9999, 9999, 9999}));
}

TEST(FnrNoiseReduction, CyclesOfTheColourGroup) {
  Image image = random_image(9, 8, 0, 255, 3);
  Image expected = image.scratch_copy();
  fnr_noise_reduction("1,2,0,-1,2", image);
  for (int cycle = 0; cycle < 2; ++cycle) region_noise_reduction(expected, 1, 2, 0, 2, 5, 0);
  EXPECT_EQ(samples_of(image), samples_of(expected));
}

TEST(NoiseReduction, GammaTable) {
  // A flat image passes the averaging blur unchanged; contour 0 skips sharpening.
  const struct {
    const char *word;
    int16_t in, out;
  } cases[] = {
      {"1,1,0,0.5", 100, 101}, {"1,1,0,0.5", 0, 0},       {"1,1,0,0.5", 255, 255},
      {"1,1,0,0.5,0", 100, 101}, {"1,1,0,0.5", 300, 300}, {"1,1,0,0.5", -5, -5},
      {"3,1,0,0.5", 100, 102}, {"1,1,0,0.5,1000", 300, 303}, {"1,1,0,0.5,40000", 30000, 30085},
      {"1,1,0,0.5,-1", 100, 100}, {"1,1,0,1", 100, 100},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(::testing::Message() << c.word << " on " << c.in);
    Image image = flat_image(4, 3, {c.in, c.in, c.in, 9});
    noise_reduction(c.word, image);
    EXPECT_EQ(samples_of(image)[0], c.out);
    EXPECT_EQ(samples_of(image)[3], 9);
  }
}

using ContourStage = void (*)(Image &, const Image &, double, double, int);

TEST(NoiseReduction, ContourRemaindersDitherAndSaturation) {
  for (const ContourStage sharpen : {sharpen_contours, sharpen_contours_in_lanes}) {
    // 100 * f = 100.3995...: the remainders raise every second or third value.
    Image row = flat_image(10, 1, {100, 100, 100, 0});
    const Image around = flat_image(10, 1, {101, 101, 101, 0});
    sharpen(row, around, 1.9484, 255, 0);
    std::vector<int16_t> reds;
    for (int x = 0; x < 10; ++x) reds.push_back(row.at(x, 0).r);
    EXPECT_EQ(reds, (std::vector<int16_t>{100, 101, 100, 101, 100, 100, 101, 100, 101, 100}));

    // Equal brightness gives f = 1; the phase runs on across rows and a
    // negative phase moves nothing.
    const std::vector<Pixel> pixels = {{10, 10, 10, 1}, {10, 10, 11, 1}, {-20, -20, -20, 1},
                                       {0, 0, 1, 1},    {5, 5, 5, 1},    {1, 1, 1, 1}};
    Image dithered = image_of(3, 2, pixels);
    sharpen(dithered, image_of(3, 2, pixels), 1.0, 255, 2);
    EXPECT_EQ(samples_of(dithered),
              (std::vector<int16_t>{12, 8, 10, 1, 8, 12, 11, 1, -20, -20, -20, 1, 2, -2, 1, 1, 3,
                                    5, 7, 1, -1, 1, 3, 1}));

    Image bright = flat_image(1, 1, {20000, 20000, 20000, 0});
    sharpen(bright, flat_image(1, 1, {30000, 30000, 30000, 0}), 1.0, 255, 0);
    EXPECT_EQ(rgb_of(bright), (std::vector<int16_t>{32767, 32767, 32767}));
  }
}

// Sums inside and outside the looked-up brightness range, full scales of
// either sign, dither amounts up to the 16-bit ends and contours that make
// f overflow or NaN.
TEST(NoiseReduction, ContourLanesMatchThePlainStage) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const struct {
    int lo, hi;
  } ranges[] = {{0, 255}, {-400, 700}, {INT16_MIN, INT16_MAX}};
  uint32_t seed = 40;
  for (const auto &range : ranges) {
    const Image image = random_image(37, 9, range.lo, range.hi, ++seed);
    const Image blurred = random_image(37, 9, range.lo, range.hi, ++seed);
    for (const double contour : {1.0, 0.02, -3.0, 1e30, kInf, std::nan("")}) {
      for (const double full_scale : {255.0, 1.0, -300.0}) {
        for (const int dither : {0, 1, -7, 40000}) {
          SCOPED_TRACE(::testing::Message() << range.lo << ".." << range.hi << " contour "
                                            << contour << " scale " << full_scale << " dither "
                                            << dither);
          Image plain = image.scratch_copy(), lanes = image.scratch_copy();
          sharpen_contours(plain, blurred, contour, full_scale, dither);
          sharpen_contours_in_lanes(lanes, blurred, contour, full_scale, dither);
          ASSERT_EQ(samples_of(lanes), samples_of(plain));
        }
      }
    }
  }
}

TEST(NoiseReduction, StagesInOrder) {
  Image image = random_image(13, 9, -300, 600, 4);
  Image expected = image.scratch_copy();
  Image copy = image.scratch_copy();
  noise_reduction("2,4,1.5,1.5,200,3", image);
  weighted_blur(expected, 2, -1.5);
  weighted_blur(expected, 4, -1.5);
  weighted_blur(copy, 1, 1.0);
  sharpen_contours(expected, copy, 1.5, 200, 3);
  EXPECT_EQ(samples_of(image), samples_of(expected));
}

TEST(ColorNoiseReduction, ProportionsOfTheBlurredCopy) {
  // Weight 0.5 blurs (40,0,0),(0,20,0) to (33,3,0),(6,16,0); the sums 40
  // and 20 are then spread in those proportions.
  Image pair = image_of(2, 1, {{40, 0, 0, 3}, {0, 20, 0, 4}});
  color_noise_reduction("1,1,0.5", pair);
  EXPECT_EQ(samples_of(pair), (std::vector<int16_t>{37, 3, 0, 3, 5, 15, 0, 4}));

  // 199 * 101 / 200 = 100.495 and 1 * 101 / 200 = 0.505 lie just below and
  // just above a half; 1 * 1 / 2 = 0.5 is one.
  Image own = image_of(2, 1, {{101, 0, 0, 7}, {1, 0, 0, 8}});
  take_blurred_proportions(own, image_of(2, 1, {{199, 1, 0, 0}, {1, 1, 0, 0}}));
  EXPECT_EQ(samples_of(own), (std::vector<int16_t>{100, 1, 0, 7, 1, 1, 0, 8}));

  Image zero_sum = image_of(1, 1, {{5, -5, 0, 0}});  // blurred sum 0: kept
  color_noise_reduction("x", zero_sum);
  EXPECT_EQ(rgb_of(zero_sum), (std::vector<int16_t>{5, -5, 0}));

  Image grey = random_image(15, 12, 0, 255, 6);
  for (int64_t i = 0; i < grey.pixel_count(); ++i) {
    grey.pixels[i].g = grey.pixels[i].b = grey.pixels[i].r;
  }
  const std::vector<int16_t> before = samples_of(grey);
  color_noise_reduction("2,3", grey);
  EXPECT_EQ(samples_of(grey), before);
}

// The handler's modes on the plain rules.
void remove_single_pixels_plainly(const char *word, Image &image) {
  const SinglePixelRemovalPlan plan = plan_single_pixel_removal(word);
  if (plan.horizontal) smooth_horizontal_extremes(image);
  if (plan.light || plan.dark) remove_specks(image, plan.light, plan.dark);
}

TEST(SinglePixelRemoval, RowsMatchThePlainRingScan) {
  const struct {
    int nx, ny, lo, hi;
  } shapes[] = {{17, 13, 0, 3},      {17, 13, 0, 255},  {9, 11, -32768, 32767},
                {40, 6, 9990, 10010}, {1, 7, 0, 255},   {7, 1, 0, 255},
                {2, 2, 0, 9},         {3, 3, -20, 20},  {17, 13, -40, 10},
                // large enough for bands of rows over the run's threads
                {300, 900, 0, 255}};
  uint32_t seed = 10;
  for (const auto &shape : shapes) {
    for (char mode : {'l', 'd', 'b', 'x', 'q'}) {
      SCOPED_TRACE(::testing::Message() << shape.nx << "x" << shape.ny << " " << shape.lo
                                        << ".." << shape.hi << " mode " << mode);
      Image image = random_image(shape.nx, shape.ny, shape.lo, shape.hi, ++seed);
      Image expected = image.scratch_copy();
      const char word[] = {mode, 0};
      remove_single_pixels_plainly(word, expected);
      single_pixel_removal(word, image);
      EXPECT_EQ(samples_of(image), samples_of(expected));
    }
  }
}

TEST(SinglePixelRemoval, Examples) {
  const Pixel n{10, 20, 30, 0}, speck{255, 255, 255, 0}, cool{-10, 20, 20, 0};
  const Pixel hot{31000, 0, 0, 0};
  const struct {
    const char *word;
    int nx;
    std::vector<Pixel> in;
    Pixel centre;  // the result at (1, 1)
  } cases[] = {
      {"l", 3, {n, n, n, n, speck, {40, 5, 30, 0}, n, n, n}, {40, 20, 30, 0}},
      {"b", 3, {n, n, n, n, speck, {40, 5, 30, 0}, n, n, n}, {40, 20, 30, 0}},
      {"d", 3, {n, n, n, n, speck, {40, 5, 30, 0}, n, n, n}, speck},
      {"d", 3, {n, n, n, n, {0, 0, 0, 8}, n, n, n, n}, {10, 20, 30, 8}},
      {"l", 3, {n, n, n, n, {20, 20, 20, 0}, n, n, n, n}, {20, 20, 20, 0}},  // as bright
      {"l", 4, {n, n, n, n, n, speck, speck, n, n, n, n, n}, speck},         // a pair stays
      {"", 3, {n, n, n, n, speck, n, n, n, n}, speck},
      // Ring maxima start at 0 and minima at 30000.
      {"l", 3, {cool, cool, cool, cool, {0, 100, 100, 0}, cool, cool, cool, cool}, {0, 20, 20, 0}},
      {"d", 3, {hot, hot, hot, hot, {-5, 0, 0, 0}, hot, hot, hot, hot}, {30000, 0, 0, 0}},
  };
  for (const Handler remove : {single_pixel_removal, remove_single_pixels_plainly}) {
    for (const auto &c : cases) {
      SCOPED_TRACE(::testing::Message() << "mode '" << c.word << "'");
      Image image = image_of(c.nx, 3, c.in);
      remove(c.word, image);
      const Pixel &p = image.at(1, 1);
      EXPECT_EQ(std::vector<int16_t>({p.r, p.g, p.b, p.aux}),
                std::vector<int16_t>({c.centre.r, c.centre.g, c.centre.b, c.centre.aux}));
    }
    // Mode x averages a vertical line away, also in the first and last row,
    // and keeps the first and last column.
    Image line = image_of(4, 2, {n, speck, {20, 40, 60, 0}, speck, n, speck, {20, 40, 60, 0}, n});
    remove("x", line);
    EXPECT_EQ(rgb_of(line), (std::vector<int16_t>{10, 20, 30, 15, 30, 45, 255, 255, 255, 255, 255,
                                                  255, 10, 20, 30, 15, 30, 45, 20, 40, 60, 10, 20,
                                                  30}));
  }
}

}  // namespace
}  // namespace photofilter
