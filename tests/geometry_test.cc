// Crop, the two scalings, framing and compression: their logs and new
// sizes through the whole program, rejected words, and their pixels against
// plain references that follow the arithmetic literally.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "filters/geometry/geometry_commands.h"
#include "image/kernels.h"
#include "image/sample.h"
#include "run_program.h"
#include "test_images.h"

namespace photofilter {
namespace {

using testing::mask_times;
using testing::ppm_file;
using testing::random_image;
using testing::run_photofilter;
using testing::samples_of;

using Handler = void (*)(const char *, Image &);

std::string step(const std::string &label, int n) {
  return label + " cpu time step " + std::to_string(n) + " total T this step T \n";
}

std::string file_of_size(int nx, int ny) {
  std::vector<uint8_t> samples(size_t{3} * nx * ny);
  for (size_t k = 0; k < samples.size(); ++k) samples[k] = static_cast<uint8_t>(k * 7);
  return ppm_file(nx, ny, samples);
}

// The masked log of the one command, from its "cmd" line to the writing
// (or the end of a failed run).
std::string command_log(const std::string &err) {
  const std::string log = mask_times(err);
  const size_t begin = log.find("cmd ");
  if (begin == std::string::npos) return log;
  const size_t end = log.find("save type");
  return log.substr(begin, end == std::string::npos ? end : end - begin);
}

std::string header_of(int nx, int ny) {
  return "P6\n" + std::to_string(nx) + " " + std::to_string(ny) + "\n255\n";
}

TEST(Geometry, LogsAndNewSizesThroughTheProgram) {
  const std::string crop_x = step("croping done", 1);
  const std::string bins_1 = "add bins with size 1,1\n";
  const struct {
    std::string command, word;
    int nx, ny;
    std::string log;
    int new_nx, new_ny;
  } cases[] = {
      {"-cr", "x", 30, 20, "crop region 0,0 30,20 30,20\n" + crop_x, 30, 20},
      {"-cr", "10,20,110,220", 1000, 800, "crop region 10,20 110,220 100,200\n" + crop_x, 100,
       200},
      {"-cr", "10,10,-10,-10", 1000, 800, "crop region 10,10 990,790 980,780\n" + crop_x, 980,
       780},
      {"-cr", "0,0,500", 1000, 800, "crop region 0,0 500,800 500,800\n" + crop_x, 500, 800},
      {"-cr", "-10,0,100,100", 1000, 800, "crop region 0,0 100,100 100,100\n" + crop_x, 100, 100},
      {"-cr", "10,20,5000,9000", 1000, 800, "crop region 10,20 1000,800 990,780\n" + crop_x, 990,
       780},
      {"-cr", "-3,-2", 1000, 800,
       "crop scale 1.5 1.25 \ncrop y by scale 1.5 min,max,size 67 733 666\n"
       "crop region 0,67 1000,733 1000,666\n" + crop_x, 1000, 666},
      {"-cr", "-1,-1", 1000, 800,
       "crop scale 1 1.25 \ncrop x by scale 1 min,max,size 100 900 800 \n"
       "crop region 100,0 900,800 800,800\n" + crop_x, 800, 800},
      {"-cr", "-3,-2", 800, 1000,
       "crop scale 0.666667 0.8 \ncrop x by scale 0.666667 min,max,size 67 733 666 \n"
       "crop region 67,0 733,1000 666,1000\n" + crop_x, 666, 1000},
      {"-cr", "-4,-3", 1600, 1200, "crop scale 1.33333 1.33333 \n", 1600, 1200},
      {"-cr", "-4,-3,0,5", 2000, 1000, "crop scale 1.33333 2 \n", 2000, 1000},
      {"-sc", "x", 30, 20, "scale  1,1 new size 30,20\n" + bins_1 + step("binning done", 1) +
       step("scaling done", 2), 30, 20},
      {"-sc", "0.5", 1000, 800, "scale  0.5,0.5 new size 500,400\nadd bins with size 2,2\n" +
       step("binning done", 1) + step("scaling done", 2), 500, 400},
      {"-sc", "0.5", 101, 20, "scale  0.5,0.5 new size 50,10\nadd bins with size 2,2\n" +
       step("binning done", 1) + step("scaling done", 2), 50, 10},
      {"-sc", "2", 100, 80, "scale  2,2 new size 200,160\nadd bins with size 0.5,0.5\n" +
       step("binning done", 1) + "smothing with radius 1 weight 1\n" + step("scaling done", 2),
       200, 160},
      {"-sc", "4", 10, 8, "scale  4,4 new size 40,32\nadd bins with size 0.25,0.25\n" +
       step("binning done", 1) + "smothing with radius 3 weight 1\n"
       "smothing with radius 3 weight 1\nsmothing with radius 3 weight 1\n" +
       step("scaling done", 2), 40, 32},
      {"-sc", "2,2,0", 100, 80, "scale  2,2 new size 200,160\nadd bins with size 0.5,0.5\n" +
       step("binning done", 1) + step("scaling done", 2), 200, 160},
      {"-sc", "0.5,1", 1000, 800, "scale  0.5,1 new size 500,800\nadd bins with size 2,1\n" +
       step("binning done", 1) + step("scaling done", 2), 500, 800},
      {"-sc", "-800,-600", 1000, 800,
       "scale  0.75,0.75 new size 750,600\nadd bins with size 1.33333,1.33333\n" +
       step("binning done", 1) + step("scaling done", 2), 750, 600},
      {"-sc", "-800,-600", 800, 600, "scale  1,1 new size 800,600\n" + bins_1 +
       step("binning done", 1) + step("scaling done", 2), 800, 600},
      {"-ssc", "x", 30, 20, "sscale  1,1 new size 30,20\n" + bins_1 +
       "blur radius 1 weight 1\n" + step("smoothed scaling done", 1), 30, 20},
      {"-ssc", "0.5", 1000, 800, "sscale  0.5,0.5 new size 500,400\nadd bins with size 2,2\n"
       "blur radius 2 weight 1\n" + step("smoothed scaling done", 1), 500, 400},
      {"-ssc", "0.25", 100, 80, "sscale  0.25,0.25 new size 25,20\nadd bins with size 4,4\n"
       "blur radius 3 weight 1\n" + step("smoothed scaling done", 1), 25, 20},
      {"-ssc", "2", 100, 80, "sscale  2,2 new size 200,160\nadd bins with size 0.5,0.5\n"
       "blur radius 1 weight 1\n" + step("smoothed scaling done", 1), 200, 160},
      {"-ssc", "-800,-600", 1000, 800,
       "sscale  0.751249,0.751249 new size 751,600\nadd bins with size 1.33112,1.33112\n"
       "blur radius 1 weight 1\n" + step("smoothed scaling done", 1), 751, 600},
      {"-fr", "x", 1000, 800, "frame color 0.1,0.1,0.1 size 180,180,180,180\n" +
       step("framing  done", 1), 1360, 1160},
      {"-fr", "0,0,0,10,20,30", 100, 50, "frame color 0,0,0 size 10,20,30,20\n" +
       step("framing  done", 1), 140, 90},
      {"-comp", "x", 101, 50, "compression 2\n" + step("compressing done", 1), 51, 25},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.command + " " + c.word + " on " + std::to_string(c.nx) + "x" +
                 std::to_string(c.ny));
    const auto result = run_photofilter({c.command, c.word}, file_of_size(c.nx, c.ny));
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(command_log(result.err), "cmd " + c.command + ", par " + c.word + "\n" + c.log);
    const std::string header = header_of(c.new_nx, c.new_ny);
    EXPECT_EQ(result.out.substr(0, header.size()), header);
    EXPECT_EQ(result.out.size(), header.size() + size_t{3} * c.new_nx * c.new_ny);
  }
}

TEST(Geometry, RejectedWordsLeaveNoImage) {
  const struct {
    std::string command, word;
    int nx, ny;
    std::string message;
  } cases[] = {
      {"-sc", "-5,3", 10, 8, "invalid parameter -sc -5,3: a negative width needs a negative height"},
      {"-ssc", "-5", 10, 8, "invalid parameter -ssc -5: a negative width needs a negative height"},
      {"-sc", "0.05", 10, 8, "invalid parameter -sc 0.05: new size 0,0 is empty"},
      {"-ssc", "1,0.1", 10, 8, "invalid parameter -ssc 1,0.1: new size 10,0 is empty"},
      {"-sc", "nan", 10, 8, "invalid parameter -sc nan: new size 0,0 is empty"},
      {"-sc", "1e308,1e-300", 10, 8,
       "invalid parameter -sc 1e308,1e-300: new size 2147483647,0 is empty"},
      {"-sc", "-5,-5", 0, 0, "invalid parameter -sc -5,-5: new size 0,0 is empty"},
      {"-sc", "inf", 10, 8, "out of memory: scaled image"},
      {"-ssc", "1e308", 10, 8, "out of memory: scaled image"},
      {"-fr", "0,0,0,2000000000", 10, 8, "invalid parameter -fr 0,0,0,2000000000: frame too large"},
      {"-fr", "0,0,0,0,0,0,2147483640", 10, 8,
       "invalid parameter -fr 0,0,0,0,0,0,2147483640: frame too large"},
      {"-comp", "0", 10, 8, "invalid parameter -comp 0: factor must be 1 or more"},
      {"-comp", "-3", 10, 8, "invalid parameter -comp -3: factor must be 1 or more"},
      {"-cr", "10", 10, 8, "invalid parameter -cr 10: crop region outside the image"},
      {"-cr", "0,8,5,20", 10, 8, "invalid parameter -cr 0,8,5,20: crop region outside the image"},
      {"-cr", "x", 0, 8, "invalid parameter -cr x: crop region outside the image"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.command + " " + c.word);
    const auto result = run_photofilter({c.command, c.word}, file_of_size(c.nx, c.ny));
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(result.out.empty());
    // Nothing of the command's own log comes before the message.
    const std::string log = command_log(result.err);
    EXPECT_EQ(log, "cmd " + c.command + ", par " + c.word + "\n" + c.message + "\n");
  }
  // A frame far beyond the memory of any machine is an allocation failure.
  const auto huge = run_photofilter({"-fr", "0,0,0,1000000"}, file_of_size(4, 3));
  EXPECT_EQ(huge.status, 1);
  EXPECT_TRUE(huge.out.empty());
  EXPECT_NE(huge.err.find("out of memory: framed image\n"), std::string::npos);
}

// The image as a plain list of r, g, b; aux must be 0 everywhere.
std::vector<int16_t> rgb_checking_aux(const Image &image) {
  std::vector<int16_t> rgb;
  for (int64_t i = 0; i < image.pixel_count(); ++i) {
    const Pixel &p = image.pixels[i];
    EXPECT_EQ(p.aux, 0) << "pixel " << i;
    rgb.insert(rgb.end(), {p.r, p.g, p.b});
  }
  return rgb;
}

Image sized(int nx, int ny, std::vector<int16_t> rgb) {
  Image image;
  image.nx = nx;
  image.ny = ny;
  image.pixels = allocate_pixels(int64_t{nx} * ny, "test image");
  for (int64_t i = 0; i < image.pixel_count(); ++i) {
    image.pixels[i] = Pixel{rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2], 99};
  }
  return image;
}

// Binning exactly as written out: every source pixel of the bin, weights
// chosen in the stated order, sums in double.
std::vector<int16_t> literal_binning(const Image &src, int width, int height, double fx,
                                     double fy) {
  const double bx = 1 / fx, by = 1 / fy;
  std::vector<int16_t> rgb;
  for (int j = 0; j < height; ++j) {
    const double y0 = j * by, y1 = y0 + by;
    const int yi0 = static_cast<int>(y0), yi1 = static_cast<int>(y1);
    const double wy0 = std::trunc(y0 + 1) - y0, wy1 = y1 - yi1;
    for (int i = 0; i < width; ++i) {
      const double x0 = i * bx, x1 = x0 + bx;
      const int xi0 = static_cast<int>(x0), xi1 = static_cast<int>(x1);
      const double wx0 = std::trunc(x0 + 1) - x0, wx1 = x1 - xi1;
      double sr = 0, sg = 0, sb = 0, sw = 0;
      for (int y = yi0; y <= yi1; ++y) {
        for (int x = xi0; x <= xi1; ++x) {
          const Pixel &p = src.at(std::min(std::max(x, 0), src.nx - 1),
                                  std::min(std::max(y, 0), src.ny - 1));
          const double u = x == xi0 ? wx0 : (x == xi1 ? wx1 : 1);
          const double v = y == yi0 ? wy0 : (y == yi1 ? wy1 : 1);
          sr += p.r * u * v;
          sg += p.g * u * v;
          sb += p.b * u * v;
          sw += u * v;
        }
      }
      rgb.insert(rgb.end(), {truncate_to_sample(sr / sw), truncate_to_sample(sg / sw),
                             truncate_to_sample(sb / sw)});
    }
  }
  return rgb;
}

std::vector<int16_t> literal_sampling(const Image &blurred, int width, int height, double fx,
                                      double fy) {
  std::vector<int16_t> rgb;
  for (int j = 0; j < height; ++j) {
    for (int i = 0; i < width; ++i) {
      const Pixel &p = blurred.at(static_cast<int>((i + 0.5) * (1 / fx)),
                                  static_cast<int>((j + 0.5) * (1 / fy)));
      rgb.insert(rgb.end(), {p.r, p.g, p.b});
    }
  }
  return rgb;
}

// The factors a word amounts to on a 37x23 image; a box of bx by by
// pixels takes the smaller of (margin + bx)/37 and (margin + by)/23.
struct Factors {
  double fx, fy;
};
Factors factors_for(double fx, double fy, bool box, double margin) {
  if (box) fx = fy = std::min((margin + fx) / 37, (margin + fy) / 23);
  return {fx, fy > 0 ? fy : fx};
}

// Reductions and enlargements, some of bins just under or over one pixel,
// boxes: both scalings against the literal arithmetic on full-range
// samples.
TEST(Scaling, BothScalingsMatchTheLiteralArithmetic) {
  const struct {
    std::string word;
    double fx, fy;
    bool box;
  } cases[] = {
      {"0.5", 0.5, 0, false},      {"0.3", 0.3, 0, false},     {"0.7", 0.7, 0, false},
      {"0.5,1", 0.5, 1, false},    {"1", 1, 0, false},         {"0.9999", 0.9999, 0, false},
      {"1.0001", 1.0001, 0, false}, {"2", 2, 0, false},        {"3,1.5", 3, 1.5, false},
      {"2.7,0.4", 2.7, 0.4, false}, {"0.05,0.1", 0.05, 0.1, false},
      {"-20,-30", 20, 30, true},   {"-37,-23", 37, 23, true},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.word);
    const Image source = random_image(37, 23, -32768, 32767, static_cast<uint32_t>(c.fx * 100));

    const Factors b = factors_for(c.fx, c.fy, c.box, 0.00001);
    const int width = static_cast<int>(37 * b.fx), height = static_cast<int>(23 * b.fy);
    Image binned = source.scratch_copy();
    scaling((c.word + (c.word.find(',') == std::string::npos ? ",0,0" : ",0")).c_str(), binned);
    ASSERT_EQ(binned.nx, width);
    ASSERT_EQ(binned.ny, height);
    EXPECT_EQ(rgb_checking_aux(binned), literal_binning(source, width, height, b.fx, b.fy));

    const Factors s = factors_for(c.fx, c.fy, c.box, 0.999);
    Image sampled = source.scratch_copy();
    smoothed_scaling(c.word.c_str(), sampled);
    Image blurred = source.scratch_copy();
    weighted_blur(blurred, static_cast<int>((1 / s.fx + 1 / s.fy) * 0.25 + 1), 1.0);
    ASSERT_EQ(sampled.nx, static_cast<int>(37 * s.fx));
    ASSERT_EQ(sampled.ny, static_cast<int>(23 * s.fy));
    EXPECT_EQ(rgb_checking_aux(sampled),
              literal_sampling(blurred, sampled.nx, sampled.ny, s.fx, s.fy));
  }
}

// Bins of whole pixels give truncated means (toward zero); enlargements
// replicate and are then smoothed R times with radius R.
TEST(Scaling, HandWorkedBinsAndSmoothingAfterEnlargement) {
  Image image = sized(2, 2, {-7, 10, 1, 0, 11, 1, 0, 12, 1, 0, 12, 2});
  scaling("0.5", image);
  ASSERT_EQ(image.nx, 1);
  EXPECT_EQ(rgb_checking_aux(image), (std::vector<int16_t>{-1, 11, 1}));

  const Image source = random_image(9, 7, 0, 255, 3);
  Image enlarged = source.scratch_copy();
  scaling("3", enlarged);  // bins of 1/3 pixel: R = trunc(1.99 / (2/3)) = 2
  Image expected = sized(27, 21, literal_binning(source, 27, 21, 3, 3));
  weighted_blur(expected, 2, 1.0);
  weighted_blur(expected, 2, 1.0);
  for (int64_t i = 0; i < expected.pixel_count(); ++i) expected.pixels[i].aux = 0;
  EXPECT_EQ(samples_of(enlarged), samples_of(expected));
}

TEST(Crop, CarriesTheRectangleAndClearsAux) {
  const Image source = random_image(50, 40, -300, 300, 9);
  for (const char *word : {"10,20,30,35", "0,0", "5,0,-5,-1", "-7,-3"}) {
    SCOPED_TRACE(word);
    Image image = source.scratch_copy();
    crop(word, image);
    int x0 = 0, y0 = 0;
    if (std::string(word) == "10,20,30,35") x0 = 10, y0 = 20;
    if (std::string(word) == "5,0,-5,-1") x0 = 5;
    if (std::string(word) == "-7,-3") y0 = (40 - 21) / 2;  // band of 50/(7/3) = 21 rows
    std::vector<int16_t> expected;
    for (int y = 0; y < image.ny; ++y) {
      for (int x = 0; x < image.nx; ++x) {
        const Pixel &p = source.at(x0 + x, y0 + y);
        expected.insert(expected.end(), {p.r, p.g, p.b});
      }
    }
    EXPECT_EQ(rgb_checking_aux(image), expected);
  }
}

TEST(Framing, ColoursBordersAndPlacement) {
  const Image source = random_image(7, 5, -50, 300, 4);
  const struct {
    const char *word;
    int left, top, right, bottom;
    Pixel colour;
  } cases[] = {
      {"x", 1, 1, 1, 1, {25, 25, 25, 0}},  // (7 + 5) / 10 everywhere, 0.1 * 255 = 25.5
      {"1", 1, 1, 1, 1, {255, 255, 255, 0}},
      {"0", 1, 1, 1, 1, {0, 0, 0, 0}},
      {"1,0,0,3", 3, 3, 3, 3, {255, 0, 0, 0}},
      {"0.2,-1,0.6,1,2,3,4", 2, 3, 4, 1, {51, 51, 153, 0}},
      {"2,0,200,0,0,1", 0, 1, 0, 0, {510, 0, 32767, 0}},
      {"0.5,0.5,0.5,0,0,0,0", 0, 0, 0, 0, {127, 127, 127, 0}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.word);
    Image image = source.scratch_copy();
    framing(c.word, image);
    ASSERT_EQ(image.nx, c.left + 7 + c.right);
    ASSERT_EQ(image.ny, c.top + 5 + c.bottom);
    std::vector<int16_t> expected;
    for (int y = 0; y < image.ny; ++y) {
      for (int x = 0; x < image.nx; ++x) {
        const bool inside = x >= c.left && x < c.left + 7 && y >= c.top && y < c.top + 5;
        const Pixel &p = inside ? source.at(x - c.left, y - c.top) : c.colour;
        expected.insert(expected.end(), {p.r, p.g, p.b});
      }
    }
    EXPECT_EQ(rgb_checking_aux(image), expected);
  }
}

// Truncated block means with 64-bit sums, against a plain reference.
std::vector<int16_t> literal_compression(const Image &src, int d) {
  std::vector<int16_t> rgb;
  for (int y0 = 0; y0 < src.ny; y0 += d) {
    for (int x0 = 0; x0 < src.nx; x0 += d) {
      int64_t r = 0, g = 0, b = 0, count = 0;
      for (int y = y0; y < std::min(y0 + d, src.ny); ++y) {
        for (int x = x0; x < std::min(x0 + d, src.nx); ++x, ++count) {
          r += src.at(x, y).r, g += src.at(x, y).g, b += src.at(x, y).b;
        }
      }
      rgb.insert(rgb.end(), {static_cast<int16_t>(r / count), static_cast<int16_t>(g / count),
                             static_cast<int16_t>(b / count)});
    }
  }
  return rgb;
}

TEST(Compression, BlockMeansAgainstReferenceAndByHand) {
  // The 2x2 quadrant 10, 11, 12, 12 gives 11; -7 over two pixels gives -3.
  Image quadrant = sized(2, 2, {10, -7, 1, 11, 0, 1, 12, 0, 1, 12, 0, 2});
  compression("2", quadrant);
  EXPECT_EQ(rgb_checking_aux(quadrant), (std::vector<int16_t>{11, -1, 1}));
  Image edge = sized(1, 2, {5, -7, 0, 6, 0, 0});
  compression("2", edge);
  EXPECT_EQ(rgb_checking_aux(edge), (std::vector<int16_t>{5, -3, 0}));

  const struct {
    int nx, ny, d, lo, hi;
  } cases[] = {
      {4, 4, 2, -32768, 32767},   {5, 5, 2, -32768, 32767}, {37, 23, 3, -32768, 32767},
      {37, 23, 7, -32768, 32767}, {37, 23, 1, -100, 100},   {37, 23, 1000, -32768, 32767},
      {300, 300, 300, 32767, 32767}, {300, 300, 256, -32768, -32768}, {0, 5, 2, 0, 0},
      {5, 0, 3, 0, 0},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(std::to_string(c.nx) + "x" + std::to_string(c.ny) + " by " +
                 std::to_string(c.d));
    const Image source = random_image(c.nx, c.ny, c.lo, c.hi, c.nx + c.d);
    Image image = source.scratch_copy();
    compression(std::to_string(c.d).c_str(), image);
    ASSERT_EQ(image.nx, c.nx == 0 ? 0 : (c.nx - 1) / c.d + 1);
    ASSERT_EQ(image.ny, c.ny == 0 ? 0 : (c.ny - 1) / c.d + 1);
    EXPECT_EQ(rgb_checking_aux(image), literal_compression(source, c.d));
  }
}

}  // namespace
}  // namespace photofilter
