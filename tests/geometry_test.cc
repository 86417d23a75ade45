// Crop, the two scalings, framing and compression: logs and new sizes
// through the whole program, rejected words, pixels worked out by hand, and
// the fast paths against the plain rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "filters/geometry/compression.h"
#include "filters/geometry/geometry_commands.h"
#include "filters/geometry/geometry_support.h"
#include "filters/geometry/scaling.h"
#include "image/kernels.h"
#include "image/sample.h"
#include "run_program.h"
#include "test_images.h"

namespace photofilter {
namespace {

using testing::random_image;

std::string step(const std::string &label, int n) {
  return label + " cpu time step " + std::to_string(n) + " total T this step T \n";
}

// The masked log from the command's "cmd" line to the writing or the end.
std::string command_log(const std::string &err) {
  const std::string log = testing::mask_times(err);
  const size_t begin = std::min(log.find("cmd "), log.size());
  const size_t end = log.find("save type");
  return log.substr(begin, end == std::string::npos ? end : end - begin);
}

testing::ProgramResult run(const std::string &command, const std::string &word, int nx, int ny) {
  return testing::run_photofilter({command, word},
                                  testing::ppm_file(nx, ny, std::vector<uint8_t>(3 * nx * ny, 9)));
}

TEST(Geometry, LogsAndNewSizesThroughTheProgram) {
  const auto region = [](const std::string &r) {
    return "crop region " + r + "\n" + step("croping done", 1);
  };
  const auto sc = [](const std::string &factors, const std::string &size, const std::string &bins,
                     int passes, int radius) {
    std::string log = "scale  " + factors + " new size " + size + "\nadd bins with size " + bins +
                      "\n" + step("binning done", 1);
    for (int k = 0; k < passes; ++k) {
      log += "smothing with radius " + std::to_string(radius) + " weight 1\n";
    }
    return log + step("scaling done", 2);
  };
  const auto ssc = [](const std::string &factors, const std::string &size,
                      const std::string &bins, int radius) {
    return "sscale  " + factors + " new size " + size + "\nadd bins with size " + bins +
           "\nblur radius " + std::to_string(radius) + " weight 1\n" +
           step("smoothed scaling done", 1);
  };
  const struct {
    std::string command, word;
    int nx, ny;
    std::string log;
    int new_nx, new_ny;
  } cases[] = {
      {"-cr", "x", 30, 20, region("0,0 30,20 30,20"), 30, 20},
      {"-cr", "10,20,110,220", 1000, 800, region("10,20 110,220 100,200"), 100, 200},
      {"-cr", "10,10,-10,-10", 1000, 800, region("10,10 990,790 980,780"), 980, 780},
      {"-cr", "0,0,500", 1000, 800, region("0,0 500,800 500,800"), 500, 800},
      {"-cr", "-10,0,100,100", 1000, 800, region("0,0 100,100 100,100"), 100, 100},
      {"-cr", "10,20,5000,9000", 1000, 800, region("10,20 1000,800 990,780"), 990, 780},
      {"-cr", "-3,-2", 1000, 800,
       "crop scale 1.5 1.25 \ncrop y by scale 1.5 min,max,size 67 733 666\n" +
           region("0,67 1000,733 1000,666"), 1000, 666},
      {"-cr", "-1,-1", 1000, 800,
       "crop scale 1 1.25 \ncrop x by scale 1 min,max,size 100 900 800 \n" +
           region("100,0 900,800 800,800"), 800, 800},
      {"-cr", "-3,-2", 800, 1000,
       "crop scale 0.666667 0.8 \ncrop x by scale 0.666667 min,max,size 67 733 666 \n" +
           region("67,0 733,1000 666,1000"), 666, 1000},
      {"-cr", "-4,-3", 1600, 1200, "crop scale 1.33333 1.33333 \n", 1600, 1200},
      {"-cr", "-4,-3,0,5", 2000, 1000, "crop scale 1.33333 2 \n", 2000, 1000},
      {"-sc", "x", 30, 20, sc("1,1", "30,20", "1,1", 0, 0), 30, 20},
      {"-sc", "0.5", 1000, 800, sc("0.5,0.5", "500,400", "2,2", 0, 0), 500, 400},
      {"-sc", "2", 100, 80, sc("2,2", "200,160", "0.5,0.5", 1, 1), 200, 160},
      {"-sc", "4", 10, 8, sc("4,4", "40,32", "0.25,0.25", 3, 3), 40, 32},
      {"-sc", "2,2,0", 100, 80, sc("2,2", "200,160", "0.5,0.5", 0, 0), 200, 160},
      {"-sc", "0.5,1", 1000, 800, sc("0.5,1", "500,800", "2,1", 0, 0), 500, 800},
      {"-sc", "-800,-600", 1000, 800, sc("0.75,0.75", "750,600", "1.33333,1.33333", 0, 0), 750,
       600},
      {"-sc", "-800,-600", 800, 600, sc("1,1", "800,600", "1,1", 0, 0), 800, 600},
      {"-ssc", "x", 30, 20, ssc("1,1", "30,20", "1,1", 1), 30, 20},
      {"-ssc", "0.5", 1000, 800, ssc("0.5,0.5", "500,400", "2,2", 2), 500, 400},
      {"-ssc", "0.25", 100, 80, ssc("0.25,0.25", "25,20", "4,4", 3), 25, 20},
      {"-ssc", "2", 100, 80, ssc("2,2", "200,160", "0.5,0.5", 1), 200, 160},
      {"-ssc", "-800,-600", 1000, 800,
       ssc("0.751249,0.751249", "751,600", "1.33112,1.33112", 1), 751, 600},
      {"-fr", "x", 1000, 800,
       "frame color 0.1,0.1,0.1 size 180,180,180,180\n" + step("framing  done", 1), 1360, 1160},
      {"-fr", "0,0,0,10,20,30,40", 100, 50,
       "frame color 0,0,0 size 10,20,30,40\n" + step("framing  done", 1), 160, 90},
      {"-fr", "0,0,0,10,20,30", 100, 50,
       "frame color 0,0,0 size 10,20,30,20\n" + step("framing  done", 1), 140, 90},
      {"-comp", "x", 101, 50, "compression 2\n" + step("compressing done", 1), 51, 25},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.command + " " + c.word + " on " + std::to_string(c.nx));
    const auto result = run(c.command, c.word, c.nx, c.ny);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(command_log(result.err), "cmd " + c.command + ", par " + c.word + "\n" + c.log);
    const std::string header =
        "P6\n" + std::to_string(c.new_nx) + " " + std::to_string(c.new_ny) + "\n255\n";
    EXPECT_EQ(result.out.substr(0, header.size()), header);
    EXPECT_EQ(result.out.size(), header.size() + size_t{3} * c.new_nx * c.new_ny);
  }
}

// Every rejection comes before the command's first log line; neither it
// nor an allocation failure leaves an image.
TEST(Geometry, RejectedWordsLeaveNoImage) {
  const std::string negative = "a negative width needs a negative height";
  const std::string outside = "crop region outside the image";
  const struct {
    std::string command, word;
    int nx;
    std::string reason;  // empty: an allocation failure, `log` says what follows
    std::string log = "";
  } cases[] = {
      {"-sc", "-5,3", 10, negative},
      {"-ssc", "-5", 10, negative},
      {"-sc", "0.05", 10, "new size 0,0 is empty"},
      {"-sc", "nan", 10, "new size 0,0 is empty"},
      {"-sc", "1e308,1e-300", 10, "new size 2147483647,0 is empty"},
      {"-sc", "-5,-5", 0, "new size 0,5 is empty"},  // nx 0: the box fits 5/8 of 8 rows
      {"-sc", "inf", 10, "", "out of memory: scaled image\n"},
      {"-ssc", "1e308", 10, "", "out of memory: scaled image\n"},
      {"-fr", "0,0,0,1000000", 10, "",
       "frame color 0,0,0 size 1000000,1000000,1000000,1000000\nout of memory: framed image\n"},
      {"-fr", "0,0,0,2000000000", 10, "frame too large"},
      {"-fr", "0,0,0,0,0,0,2147483640", 10, "frame too large"},
      {"-comp", "0", 10, "factor must be 1 or more"},
      {"-cr", "10", 10, outside},
      {"-cr", "0,8,5,20", 10, outside},
      {"-cr", "x", 0, outside},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.command + " " + c.word);
    const auto result = run(c.command, c.word, c.nx, 8);
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(result.out.empty());
    const std::string log = c.reason.empty() ? c.log
                                             : "invalid parameter " + c.command + " " + c.word +
                                                   ": " + c.reason + "\n";
    EXPECT_EQ(command_log(result.err), "cmd " + c.command + ", par " + c.word + "\n" + log);
  }
}

// r, g, b of every pixel; aux must be 0 in every result.
std::vector<int16_t> rgb_checking_aux(const Image &image) {
  std::vector<int16_t> rgb;
  for (int64_t i = 0; i < image.pixel_count(); ++i) {
    EXPECT_EQ(image.pixels[i].aux, 0) << "pixel " << i;
    rgb.insert(rgb.end(), {image.pixels[i].r, image.pixels[i].g, image.pixels[i].b});
  }
  return rgb;
}

// The image an array of width x height pixels makes.
Image image_of(PixelArray pixels, int width, int height) {
  Image image;
  image.nx = width;
  image.ny = height;
  image.pixels = std::move(pixels);
  return image;
}

// The plain binning of "-sc word".
Image plainly_binned(const Image &source, const std::string &word) {
  const ScalePlan p = scale_plan(scale_factors(word.c_str(), source, 0.00001), source);
  PixelArray binned = allocate_pixels(int64_t{p.f.width} * p.f.height, "plain binning");
  bin_plainly(source, p, binned.get());
  return image_of(std::move(binned), p.f.width, p.f.height);
}

// Bins of 4/3 pixel on 0, 30, 61, 91 weigh (1, 1/3), (2/3, 2/3), (1/3, 1):
// means 7.5, 45.5 and 83.5 along the columns (r), the rows (g), and 91 less
// them (b). Bins of 2 pixels are plain 2x2 means, truncated toward zero;
// bins of half a pixel repeat their source pixel.
TEST(Scaling, BinWeightsByHand) {
  const int16_t line[] = {0, 30, 61, 91};
  Image ramps = image_of(allocate_pixels(16, "ramps"), 4, 4);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) ramps.at(x, y) = Pixel{line[x], line[y], int16_t(91 - line[x]), 0};
  }
  std::vector<int16_t> thirds;
  for (const int16_t g : {7, 45, 83}) {
    for (const int16_t r : {7, 45, 83}) thirds.insert(thirds.end(), {r, g, int16_t(90 - r)});
  }
  Image blocks = testing::row_image({10, 11, 0, 0, 12, 12, -3, -4});  // 45 / 4, -7 / 4
  blocks.nx = 4, blocks.ny = 2;
  Image pair = testing::row_image({5, -6});
  const struct {
    const Image &source;
    const char *word;
    std::vector<int16_t> rgb;
  } cases[] = {
      {ramps, "0.75,0.75,0", thirds},
      {blocks, "0.5", {11, 11, 11, -1, -1, -1}},
      {pair, "2,2,0", {5, 5, 5, 5, 5, 5, -6, -6, -6, -6, -6, -6,
                       5, 5, 5, 5, 5, 5, -6, -6, -6, -6, -6, -6}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.word);
    Image image = c.source.scratch_copy();
    scaling(c.word, image);
    EXPECT_EQ(rgb_checking_aux(image), c.rgb);
    EXPECT_EQ(rgb_checking_aux(plainly_binned(c.source, c.word)), c.rgb);
  }
}

// Reductions and enlargements, bins just under or over one pixel, boxes
// (bx by by pixels): "-sc" against the plain binning and "-ssc" against
// the literal arithmetic, on full-range samples of a 37x23 image.
TEST(Scaling, BothScalingsMatchThePlainRules) {
  // radius: of the one blur of "-ssc", (1/fx + 1/fy) / 4 + 1 truncated,
  // with bins of 2 pixels 2 exactly and with bins of 20 by 10 8.5.
  const struct {
    std::string word;
    double fx, fy;
    bool box;
    int radius;
  } cases[] = {
      {"0.5", 0.5, 0, false, 2},         {"0.3", 0.3, 0, false, 2},
      {"0.7", 0.7, 0, false, 1},         {"0.5,1", 0.5, 1, false, 1},
      {"1", 1, 0, false, 1},             {"0.9999", 0.9999, 0, false, 1},
      {"1.0001", 1.0001, 0, false, 1},   {"2", 2, 0, false, 1},
      {"3,1.5", 3, 1.5, false, 1},       {"2.7,0.4", 2.7, 0.4, false, 1},
      {"0.05,0.1", 0.05, 0.1, false, 8}, {"-20,-30", 20, 30, true, 1},
      {"-37,-23", 37, 23, true, 1},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.word);
    const Image source = random_image(37, 23, -32768, 32767, static_cast<uint32_t>(c.fx * 100));
    for (const double margin : {0.00001, 0.999}) {
      const double fx = c.box ? std::min((margin + c.fx) / 37, (margin + c.fy) / 23) : c.fx;
      const double fy = c.box || c.fy <= 0 ? fx : c.fy;
      const int width = static_cast<int>(37 * fx), height = static_cast<int>(23 * fy);
      Image image = source.scratch_copy();
      std::vector<int16_t> expected;
      if (margin < 0.5) {
        const std::string word = c.word + (c.word.find(',') == std::string::npos ? ",0,0" : ",0");
        scaling(word.c_str(), image);
        expected = rgb_checking_aux(plainly_binned(source, word));
      } else {
        smoothed_scaling(c.word.c_str(), image);
        Image blurred = source.scratch_copy();
        weighted_blur(blurred, c.radius, 1.0);
        for (int j = 0; j < height; ++j) {
          for (int i = 0; i < width; ++i) {
            const Pixel &p = blurred.at(static_cast<int>((i + 0.5) * (1 / fx)),
                                        static_cast<int>((j + 0.5) * (1 / fy)));
            expected.insert(expected.end(), {p.r, p.g, p.b});
          }
        }
      }
      ASSERT_EQ(image.nx, width);
      ASSERT_EQ(image.ny, height);
      EXPECT_EQ(rgb_checking_aux(image), expected) << "margin " << margin;
    }
  }
}

// Reductions (separable sums checked against their error bound) and
// unsmoothed enlargements against the plain binning: bins with weights
// of full mantissas, dyadic weights (exact sums), bins just under two
// pixels, a box, a result of one pixel; full-range samples, bytes both
// widened and as read, and images of one or two values, whose whole-number
// means sit right at truncation steps.
TEST(Scaling, ReductionsMatchThePlainBinning) {
  const char *words[] = {"0.3",      "0.5",       "0.37",    "0.81",  "0.3333333333333333",
                         "0.999",    "0.25,0.4",  "0.3,0.7", "1",     "0.05,0.1",
                         "-20,-9",   "0.02,0.03", "0.6,2.5,0", "2.5,1.5,0"};
  const struct {
    int lo, hi;
  } ranges[] = {{-32768, 32767}, {0, 255}, {254, 255}, {0, 1}, {37, 37}, {255, 255}};
  for (const char *word : words) {
    for (const auto &range : ranges) {
      SCOPED_TRACE(std::string(word) + " on " + std::to_string(range.lo) + ".." +
                   std::to_string(range.hi));
      const Image source = random_image(61, 47, range.lo, range.hi, 7);
      const Image plain = plainly_binned(source, word);
      const auto expected = rgb_checking_aux(plain);
      Image image = source.scratch_copy();
      scaling(word, image);
      ASSERT_EQ(image.nx, plain.nx);
      ASSERT_EQ(image.ny, plain.ny);
      EXPECT_EQ(rgb_checking_aux(image), expected);
      if (range.lo < 0) continue;
      WorkingImage bytes(testing::read_bytes_from(testing::written(source)));
      scaling_bytes(word, bytes, false);
      EXPECT_TRUE(bytes.holds_bytes());
      EXPECT_EQ(rgb_checking_aux(bytes.widened()), expected) << "bytes";
    }
  }
}

// An enlargement by 3 has bins of 1/3 pixel: R = trunc(1.99 / (2/3)) = 2
// smoothing passes of radius 2 follow the binning.
TEST(Scaling, EnlargementIsSmoothedRTimesWithRadiusR) {
  const Image source = random_image(9, 7, 0, 255, 3);
  Image enlarged = source.scratch_copy();
  scaling("3", enlarged);
  Image expected = source.scratch_copy();
  scaling("3,3,0", expected);
  weighted_blur(expected, 2, 1.0);
  weighted_blur(expected, 2, 1.0);
  EXPECT_EQ(testing::samples_of(enlarged), testing::samples_of(expected));
}

// A result pixel (x, y) holds the source pixel (x + dx, y + dy), or the
// frame colour outside the source.
void expect_placed(const Image &result, const Image &source, int dx, int dy, Pixel frame) {
  std::vector<int16_t> expected;
  for (int y = 0; y < result.ny; ++y) {
    for (int x = 0; x < result.nx; ++x) {
      const bool inside = x + dx >= 0 && x + dx < source.nx && y + dy >= 0 && y + dy < source.ny;
      const Pixel &p = inside ? source.at(x + dx, y + dy) : frame;
      expected.insert(expected.end(), {p.r, p.g, p.b});
    }
  }
  EXPECT_EQ(rgb_checking_aux(result), expected);
}

TEST(CropAndFraming, PixelsLandInPlace) {
  const Image source = random_image(50, 40, -300, 300, 9);
  const struct {
    void (*handler)(const char *, Image &);
    const char *word;
    int nx, ny, dx, dy;
    Pixel frame;
  } cases[] = {
      {crop, "10,20,30,35", 20, 15, 10, 20, {}},
      {crop, "5,0,-5,-1", 40, 39, 5, 0, {}},
      {crop, "-7,-3", 50, 21, 0, 9, {}},  // a band of trunc(50 / (7/3)) = 21 rows
      {framing, "x", 68, 58, -9, -9, {25, 25, 25, 0}},  // (50 + 40) / 10, 0.1 * 255 = 25.5
      {framing, "0.2,-1,0.6,1,2,3,4", 56, 44, -2, -3, {51, 51, 153, 0}},
      {framing, "2,0,200,0,0,1", 50, 41, 0, -1, {510, 0, 32767, 0}},
      {framing, "0.5,0.5,0.5,0,0,0,0", 50, 40, 0, 0, {}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.word);
    Image image = source.scratch_copy();
    c.handler(c.word, image);
    ASSERT_EQ(image.nx, c.nx);
    ASSERT_EQ(image.ny, c.ny);
    expect_placed(image, source, c.dx, c.dy, c.frame);
  }
}

// The plain block means of "-comp d".
Image plainly_compressed(const Image &source, int d) {
  const CompressionPlan p = compression_plan(std::to_string(d).c_str(), source);
  PixelArray compressed = allocate_pixels(int64_t{p.width} * p.height, "plain compression");
  compress_plainly(source, p, compressed.get());
  return image_of(std::move(compressed), p.width, p.height);
}

TEST(Compression, BlockMeansByHandAndAgainstThePlainRule) {
  Image quadrant = testing::row_image({10, 11, 12, 12});  // one block: 45 / 4 -> 11
  quadrant.ny = 2, quadrant.nx = 2;
  quadrant.pixels[2].g = -40;  // 10 + 11 - 40 + 12 = -7 -> -1, toward zero
  // Blocks cut off by the border: (0 + 1 + 10 + 11) / 4, (2 + 12) / 2,
  // (20 + 21) / 2 and 22 alone.
  Image cut = testing::row_image({0, 1, 2, 10, 11, 12, 20, 21, 22});
  cut.ny = 3, cut.nx = 3;
  for (const auto &[source, rgb] :
       {std::pair{&quadrant, std::vector<int16_t>{11, -1, 11}},
        std::pair{&cut, std::vector<int16_t>{5, 5, 5, 7, 7, 7, 20, 20, 20, 22, 22, 22}}}) {
    EXPECT_EQ(rgb_checking_aux(plainly_compressed(*source, 2)), rgb);
    compression("2", *source);
    EXPECT_EQ(rgb_checking_aux(*source), rgb);
  }

  const struct {
    int nx, ny, d, lo, hi;
  } cases[] = {
      {4, 4, 2, -32768, 32767},      {5, 5, 2, -32768, 32767},        {37, 23, 3, -32768, 32767},
      {37, 23, 7, -32768, 32767},    {37, 23, 1, -100, 100},          {37, 23, 1000, -5, 5},
      {300, 300, 300, 32767, 32767}, {300, 300, 256, -32768, -32768}, {0, 5, 2, 0, 0},
      {5, 0, 3, 0, 0},
      // the largest blocks whose means are taken by a multiplication, and
      // the smallest that are divided
      {38, 41, 19, -32768, 32767},   {38, 41, 19, 32767, 32767},      {40, 40, 20, -32768, 32767},
      // images as bytes: the same limits for samples of at most 255
      {5, 5, 2, 0, 255},             {37, 23, 3, 0, 255},             {128, 70, 64, 0, 255},
      {128, 70, 64, 255, 255},       {130, 65, 65, 0, 255},           {130, 65, 65, 254, 255},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(std::to_string(c.nx) + "x" + std::to_string(c.ny) + " by " +
                 std::to_string(c.d));
    const Image source = random_image(c.nx, c.ny, c.lo, c.hi, c.nx + c.d);
    Image image = source.scratch_copy();
    compression(std::to_string(c.d).c_str(), image);
    ASSERT_EQ(image.nx, c.nx == 0 ? 0 : (c.nx - 1) / c.d + 1);
    ASSERT_EQ(image.ny, c.ny == 0 ? 0 : (c.ny - 1) / c.d + 1);
    const auto expected = rgb_checking_aux(plainly_compressed(source, c.d));
    EXPECT_EQ(rgb_checking_aux(image), expected);
    if (c.lo < 0 || c.hi > 255 || c.nx == 0 || c.ny == 0) continue;
    WorkingImage bytes(testing::read_bytes_from(testing::written(source)));
    compression_bytes(std::to_string(c.d).c_str(), bytes, false);
    EXPECT_TRUE(bytes.holds_bytes());
    EXPECT_EQ(rgb_checking_aux(bytes.widened()), expected) << "bytes";
  }
}

}  // namespace
}  // namespace photofilter
