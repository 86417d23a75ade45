// "-s", "-ec" and "-ec1": their logs and results through the whole
// program, the edge-contrast factor on pixels whose blurred value is
// worked out by hand, and the size the plan of "-t" gives.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "filters/edge/edge_commands.h"
#include "filters/edge/test_filter.h"
#include "filters/noise/noise_commands.h"
#include "image/kernels.h"
#include "image/sample.h"
#include "run_program.h"
#include "test_images.h"

namespace photofilter {
namespace {

using testing::mask_times;
using testing::pixel_data_after_header;
using testing::ppm_file;
using testing::random_image;
using testing::run_photofilter;
using testing::samples_of;

std::vector<uint8_t> bytes_of(const Image &image) {
  std::vector<uint8_t> bytes;
  for (int64_t i = 0; i < image.pixel_count(); ++i) {
    const Pixel &p = image.pixels[i];
    bytes.insert(bytes.end(), {clamp_to_byte(p.r), clamp_to_byte(p.g), clamp_to_byte(p.b)});
  }
  return bytes;
}

std::string step_line(const std::string &label, int step) {
  return label + " cpu time step " + std::to_string(step) + " total T this step T \n";
}

// The masked log from the first command up to the writing of the image.
std::string command_log(const std::string &err) {
  const std::string log = mask_times(err);
  const size_t begin = log.find("cmd ");
  const size_t end = log.find("save type");
  if (begin == std::string::npos || end == std::string::npos || end < begin) return log;
  return log.substr(begin, end - begin);
}

std::function<void(Image &)> blurred(int cycles, int radius, double weight) {
  return [=](Image &image) {
    for (int k = 0; k < cycles; ++k) weighted_blur(image, radius, weight);
  };
}

std::function<void(Image &)> handled_by(void (*handler)(const char *, Image &), const char *word) {
  return [=](Image &image) { handler(word, image); };
}

TEST(SmoothAndEdgeContrast, LogsAndResultsThroughTheProgram) {
  const std::string ec_x = "edge contrast gain 1 radius 1 weight 1 max 255\n";
  const struct {
    std::vector<std::string> args;
    std::string log;
    std::function<void(Image &)> change;
  } cases[] = {
      {{"-s"},
       "cmd -s, par x\nsmooth cycles 1 average 1 weight 1\n" + step_line("smooth cycle ", 1) +
           step_line("smooth done", 2),
       blurred(1, 1, 1.0)},
      {{"-s", "3"},
       "cmd -s, par 3\nsmooth cycles 3 average 1 weight 1\n" + step_line("smooth cycle ", 1) +
           step_line("smooth cycle ", 2) + step_line("smooth cycle ", 3) +
           step_line("smooth done", 4),
       blurred(3, 1, 1.0)},
      {{"-s", "0"},
       "cmd -s, par 0\nsmooth cycles 0 average 1 weight 1\n" + step_line("smooth done", 1),
       blurred(0, 1, 1.0)},
      {{"-s", "2,3,-2"},
       "cmd -s, par 2,3,-2\nsmooth cycles 2 average 3 weight -2\n" + step_line("smooth cycle ", 1) +
           step_line("smooth cycle ", 2) + step_line("smooth done", 3),
       blurred(2, 3, -2.0)},
      {{"-s", "1,-2,0.3"},
       "cmd -s, par 1,-2,0.3\nsmooth cycles 1 average -2 weight 0.3\n" +
           step_line("smooth cycle ", 1) + step_line("smooth done", 2),
       blurred(1, -2, 0.3)},
      {{"-ec"},
       "cmd -ec, par x\n" + ec_x + "wblur 0 radius 1 weight 1\n" +
           step_line("edge contrast done", 1),
       handled_by(edge_contrast, "x")},
      {{"-ec1"},
       "cmd -ec1, par x\n" + ec_x + "wblur 0 radius 1 weight 1\n" +
           step_line("edge contrast done", 1),
       handled_by(edge_contrast1, "x")},
      {{"-ec1", "0.5,2,0.25,0"},
       "cmd -ec1, par 0.5,2,0.25,0\nedge contrast gain 0.5 radius 2 weight 0.25 max 0\n"
       "wblur 0 radius 2 weight 0.25\nwblur 1 radius 2 weight 0.25\n" +
           step_line("edge contrast done", 1),
       handled_by(edge_contrast1, "0.5,2,0.25,0")},
      {{"-ec", "3,0"},
       "cmd -ec, par 3,0\nedge contrast gain 3 radius 0 weight 1 max 255\n" +
           step_line("edge contrast done", 1),
       [](Image &) {}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.args[0] + (c.args.size() > 1 ? " " + c.args[1] : ""));
    Image image = random_image(11, 7, 0, 255, 5);
    const testing::ProgramResult result = run_photofilter(c.args, ppm_file(11, 7, bytes_of(image)));
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(command_log(result.err), c.log);
    c.change(image);
    const std::vector<uint8_t> expected = bytes_of(image);
    EXPECT_EQ(pixel_data_after_header(result.out, 11, 7),
              std::string(expected.begin(), expected.end()));
  }
}

// A 2x1 image of `pixel` and `neighbour`: with radius 1 and weight 1 the
// blurred copy of `pixel` is ((pixel + neighbour) / 2 + pixel) / 2 per
// channel, so 100 beside -36, -32, -32 blurs to 66, 67, 67 (sum 200).
TEST(EdgeContrast, FactorExamplesAndClamps) {
  using Handler = void (*)(const char *, Image &);
  const Pixel grey{100, 100, 100, 7}, dim{-36, -32, -32, -9};
  const Pixel bright{20000, 20000, 20000, 7}, black{0, 0, 0, -9};
  const Pixel zero_sum{-10, 5, 5, 7}, white{200, 200, 200, -9};
  const struct {
    Handler handler;
    const char *word;
    Pixel pixel, neighbour;
    std::vector<int16_t> expected;
  } cases[] = {
      {edge_contrast, "x", grey, dim, {116, 116, 116}},           // f = 1 + 0.5 * 100 / 300
      {edge_contrast1, "x", grey, dim, {117, 117, 117}},          // f = 1 + 100 / (200 + 382.5)
      {edge_contrast1, "1,1,1,100", grey, dim, {128, 128, 128}},  // 1 + 100 / (200 + 150)
      {edge_contrast, "1,1,1,0", grey, dim, {116, 116, 116}},     // max 0 counts as 255
      {edge_contrast1, "1,1,1,0", grey, dim, {117, 117, 117}},
      {edge_contrast, "100", grey, dim, {1000, 1000, 1000}},  // clamped to 10
      {edge_contrast1, "100", grey, dim, {300, 300, 300}},    // clamped to 3
      {edge_contrast, "-100", grey, dim, {0, 0, 0}},          // clamped to 0
      {edge_contrast1, "-100", grey, dim, {0, 0, 0}},
      {edge_contrast, "5,0", grey, dim, {100, 100, 100}},  // no blur: factor 1
      {edge_contrast, "100", bright, black, {32767, 32767, 32767}},
      {edge_contrast1, "100", bright, black, {32767, 32767, 32767}},
      {edge_contrast, "x", zero_sum, white, {-10, 5, 5}},  // a zero sum is left alone
      {edge_contrast1, "x", zero_sum, white, {-7, 3, 3}},  // blurred sum 148: f = 0.721
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(::testing::Message() << (c.handler == edge_contrast ? "-ec " : "-ec1 ") << c.word
                                      << " on " << c.pixel.r);
    Image image;
    image.nx = 2;
    image.ny = 1;
    image.pixels = allocate_pixels(2, "test image");
    image.pixels[0] = c.pixel;
    image.pixels[1] = c.neighbour;
    const std::vector<int16_t> before = samples_of(image);
    c.handler(c.word, image);
    ASSERT_EQ(image.nx, 2);
    ASSERT_EQ(image.ny, 1);
    const std::vector<int16_t> after = samples_of(image);
    EXPECT_EQ(std::vector<int16_t>(after.begin(), after.begin() + 3), c.expected);
    EXPECT_EQ(after[3], before[3]);
    EXPECT_EQ(after[7], before[7]);
    for (size_t k = 0; k < after.size(); ++k) {
      EXPECT_TRUE(after[k] == 0 || (after[k] < 0) == (before[k] < 0)) << "sample " << k;
    }
  }
}

// The plan of "-t" gives the size its handler leaves, an empty image too.
TEST(TestFilter, PlanGivesTheSizeOfTheResult) {
  for (const auto &[nx, ny] : {std::pair{4, 3}, {1, 5}, {3, 1}, {0, 0}, {0, 4}}) {
    Image image = random_image(nx, ny, 0, 255, 2);
    const TestFilterPlan p = plan_test_filter("x", image);
    test_filter("x", image);
    EXPECT_EQ(p.new_nx, image.nx) << nx << "x" << ny;
    EXPECT_EQ(p.new_ny, image.ny) << nx << "x" << ny;
  }
}

}  // namespace
}  // namespace photofilter
