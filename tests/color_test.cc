// The colour corrections: hand-computed samples of each rule, the tables
// checked against the rules over every sample value, the dithering
// sequence, and the logs of whole runs.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "filters/color/color_commands.h"
#include "filters/color/dither_state.h"
#include "filters/color/point_correction.h"
#include "image/channel_dither.h"
#include "image/sample.h"
#include "run_program.h"
#include "test_images.h"

namespace photofilter {
namespace {

using Handler = void (*)(const char *, Image &);
using testing::random_image;
using testing::row_image;

std::vector<int16_t> channel(const Image &image, int16_t Pixel::*sample) {
  std::vector<int16_t> values;
  for (int64_t i = 0; i < image.pixel_count(); ++i) values.push_back(image.pixels[i].*sample);
  return values;
}

// Each input value stands in r, g and b; an empty g or b expects r's values.
TEST(ColorPointOperations, HandComputedSamples) {
  const struct {
    Handler handler;
    const char *word;
    std::vector<int16_t> in, r, g = {}, b = {};
  } cases[] = {
      {color_offset_correction, "0.1", {100, 0}, {126, 26}},
      {color_offset_correction, "-0.1", {100, 10}, {74, -15}},  // 255 * -0.1 is below -25.5
      {color_offset_correction, "0,0,-0.01", {0, 7}, {0, 7}, {0, 7}, {-2, 4}},
      {color_offset_correction, "0.1,0.2", {100}, {126}},
      {color_gain_correction, "1.1", {100, 101}, {110, 111}},
      {color_gain_correction, "0.7", {5}, {3}},  // 3.4999... + 0.5, not rounded to 4
      {color_gain_correction, "-1", {10, 0, 1}, {-9, 0, 0}},
      {color_gain_correction, "x", {-3, 7, 300}, {-2, 7, 300}},
      {color_gain_correction, "0.5,1,2", {3, 200}, {2, 100}, {3, 200}, {6, 400}},
      {color_contrast_correction, "2", {64, 191, 127, 128, 0, 255, -5, 256},
       {32, 223, 126, 129, 0, 255, -5, 256}},
      {color_contrast_correction, "2,1,1", {64}, {32}, {64}, {64}},
      {color_contrast_correction, "0", {0, 127, 128, 255}, {127, 127, 128, 128}},
      {color_contrast_correction, "2,2,2,0", {64}, {32}},
      {color_contrast_correction, "x", {-3, 0, 64, 191, 255, 300}, {-3, 0, 64, 191, 255, 300}},
      {color_contrast_correction, "2,2,2,100", {25, 50, 75, 101}, {13, 50, 87, 101}},
      {color_contrast_correction, "2,2,2,-1", {0, 64}, {0, 64}},
      // x = 0.1 and 0.9 are doubles a little above, so x^2 * 10 lies just
      // above 0.1 and 8.1, which 0.9 lifts onto the next integer; x = 0.95
      // is one a little below, so x^2 * 40 stays just below 36.1 and 37.
      {color_contrast_correction, "2,2,2,20", {1, 9, 11, 19}, {1, 9, 11, 19}},
      {color_contrast_correction, "2,2,2,80", {38, 42}, {36, 44}},
      {color_gamma_correction, "1", {0, 1, 128, 255}, {0, 1, 128, 255}},
      {color_gamma_correction, "2", {1, 64, 128, 0, 255}, {16, 127, 180, 0, 255}},
      {color_gamma_correction, "0.5", {64, 128}, {16, 64}},
      {color_gamma_correction, "2.2", {1, 10, 64, 128, 200}, {20, 58, 136, 186, 228}},
      {color_gamma_correction, "2,1,1", {64}, {127}, {64}, {64}},
      {color_gamma_correction, "2,2,2,127", {64, 127, 128, 255, -1}, {90, 127, 128, 255, -1}},
      {color_gamma_correction, "2,2,2,0", {64}, {127}},
      {color_gamma_correction, "0", {0, 128, 254, 255}, {0, 0, 0, 255}},
      {color_gamma_correction, "x", {-3, 64, 300}, {-3, 64, 300}},
      // (6/40)^2 * 40 = 0.9 and (26/40)^2 * 40 = 16.9 exactly, but 0.15 is
      // a double a little below and 0.65 one a little above: 0.1 lifts
      // only the second onto the next integer.
      {color_gamma_correction, "0.5,0.5,0.5,40", {6, 26}, {0, 17}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(::testing::Message() << c.word << " on " << ::testing::PrintToString(c.in));
    Image image = row_image(c.in);
    c.handler(c.word, image);
    EXPECT_EQ(channel(image, &Pixel::r), c.r);
    EXPECT_EQ(channel(image, &Pixel::g), c.g.empty() ? c.r : c.g);
    EXPECT_EQ(channel(image, &Pixel::b), c.b.empty() ? c.r : c.b);
    EXPECT_EQ(channel(image, &Pixel::aux), std::vector<int16_t>(c.in.size(), 0));
  }
}

// Every sample value -32768..32767 in each channel, through the handler's
// tables and through the plain rule of one sample.
TEST(ColorPointOperations, TablesGiveThePlainRuleForEverySample) {
  using SampleRule = std::function<int16_t(int16_t)>;
  const double p[] = {1.7, 0.45, -0.013};
  const auto offset = [](double o) -> SampleRule {
    return [=](int16_t s) { return offset_sample(s, o); };
  };
  const auto gain = [](double k) -> SampleRule {
    return [=](int16_t s) { return gained_sample(s, k); };
  };
  // A curve gives samples 0..M its saturated entry and passes the rest.
  const auto curve_of = [](auto curve, int m) {
    return [=](double v) -> SampleRule {
      return [=](int16_t s) { return s >= 0 && s <= m ? saturate_sample(curve(m, v, s)) : s; };
    };
  };
  const struct {
    Handler handler;
    const char *word;
    std::function<SampleRule(double)> reference;
  } cases[] = {
      {color_offset_correction, "1.7,0.45,-0.013", offset},
      {color_gain_correction, "1.7,0.45,-0.013", gain},
      {color_contrast_correction, "1.7,0.45,-0.013,4096", curve_of(contrast_curve, 4096)},
      {color_contrast_correction, "1.7,0.45,-0.013,1001", curve_of(contrast_curve, 1001)},
      {color_contrast_correction, "1.7,0.45,-0.013,2", curve_of(contrast_curve, 2)},
      {color_contrast_correction, "1.7,0.45,-0.013,40000", curve_of(contrast_curve, 40000)},
      {color_gamma_correction, "1.7,0.45,-0.013,3000", curve_of(gamma_curve, 3000)},
      {color_gamma_correction, "1.7,0.45,-0.013,40000", curve_of(gamma_curve, 40000)},
  };
  Image all = row_image(std::vector<int16_t>(65536));
  for (int32_t i = 0; i < all.pixel_count(); ++i) {
    all.pixels[i] = {static_cast<int16_t>(i - 32768), static_cast<int16_t>(32767 - i),
                     static_cast<int16_t>((i * 7919) % 65536 - 32768), 5};
  }
  for (const auto &c : cases) {
    SCOPED_TRACE(c.word);
    Image image = all.scratch_copy();
    c.handler(c.word, image);
    const SampleRule r = c.reference(p[0]), g = c.reference(p[1]), b = c.reference(p[2]);
    for (int64_t i = 0; i < image.pixel_count(); ++i) {
      const Pixel &before = all.pixels[i], &after = image.pixels[i];
      ASSERT_EQ(after.r, r(before.r)) << before.r;
      ASSERT_EQ(after.g, g(before.g)) << before.g;
      ASSERT_EQ(after.b, b(before.b)) << before.b;
      ASSERT_EQ(after.aux, 5);
    }
  }
}

// Pixels given as r, g, b triples, `nx` to a row; aux is 9 throughout.
Image rgb_image(int nx, const std::vector<int16_t> &rgb) {
  Image image = random_image(nx, nx == 0 ? 0 : static_cast<int>(rgb.size()) / 3 / nx, 9, 9, 0);
  for (int64_t i = 0; i < image.pixel_count(); ++i) {
    image.pixels[i] = {rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2], 9};
  }
  return image;
}

// The r, g, b triples of an image, checking that aux stayed 9.
std::vector<int16_t> rgb_of(const Image &image) {
  std::vector<int16_t> rgb;
  for (int64_t i = 0; i < image.pixel_count(); ++i) {
    const Pixel &p = image.pixels[i];
    rgb.insert(rgb.end(), {p.r, p.g, p.b});
    EXPECT_EQ(p.aux, 9);
  }
  return rgb;
}

TEST(ColorSaturation, HandComputedPixels) {
  const struct {
    const char *word;
    std::vector<int16_t> in, out;
  } cases[] = {
      {"0", {10, 20, 40}, {23, 23, 23}},
      {"2", {100, 50, 30, 10, 100, 100}, {140, 40, 0, -49, 130, 130}},  // t = -50 stores -49
      {"1,1,1,7", {10, 20, 40}, {10, 20, 40}},
      {"x", {-5, 3, 5}, {-4, 3, 5}},  // factor 1 still moves negative samples
      {"0.5,2", {10, 20, 60}, {20, 25, 45}},
      {"0,1,2", {10, 20, 60}, {30, 20, 90}},
      {"1e10", {32767, -32768, 0}, {32767, -32768, 32767}},
      // m = 15 and -15, and 0.1 * -10 is a little beyond -1 in extended
      // precision: red is 15 - 1.0000000000000000555, truncated to 13, and
      // -15 + 1.0000000000000000555, truncated to -13 and stored as -12.
      {"0.1", {5, 20, 20, -5, -20, -20}, {13, 15, 15, -12, -14, -14}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.word);
    Image image = rgb_image(1, c.in);
    color_saturation_correction(c.word, image);
    EXPECT_EQ(rgb_of(image), c.out);
  }
}

// Photo-sized images take the tabulated path for pixels within 0..255;
// pixels with a sample out of that range take the arithmetic. Both give
// what the rule gives on each pixel.
TEST(ColorSaturation, LargeImagesMatchThePixelRule) {
  const Image wild = random_image(500, 400, -32768, 32767, 8);
  Image mixed = random_image(500, 400, 0, 255, 7);
  for (int64_t i = 0; i < mixed.pixel_count(); i += 5) mixed.pixels[i].b = wild.pixels[i].b;
  for (int64_t i = 3; i < mixed.pixel_count(); i += 11) mixed.pixels[i] = wild.pixels[i];
  const std::pair<const char *, ChannelValues> cases[] = {
      {"1.3", {1.3, 1.3, 1.3}}, {"0.4,-2,0.4", {0.4, -2, 0.4}}, {"3,0.7,-0.25", {3, 0.7, -0.25}}};
  for (const auto &[word, f] : cases) {
    SCOPED_TRACE(word);
    Image image = mixed.scratch_copy();
    color_saturation_correction(word, image);
    for (int64_t i = 0; i < image.pixel_count(); ++i) {
      Pixel expected = mixed.pixels[i];
      saturate_pixel(expected, f);
      const Pixel &after = image.pixels[i];
      ASSERT_EQ(after.r, expected.r) << i;
      ASSERT_EQ(after.g, expected.g) << i;
      ASSERT_EQ(after.b, expected.b) << i;
      ASSERT_EQ(after.aux, expected.aux);
    }
  }
}

// Passes of "-cd" from a given phase: the pixels and the phase left behind.
TEST(ColorDithering, SequenceFromPhaseSamplesAndPosition) {
  const struct {
    int32_t phase;
    int nx;
    std::vector<int16_t> in;
    const char *word;
    int passes;
    std::vector<int16_t> out;
    int32_t phase_after;
  } cases[] = {
      {0, 2, {10, 20, 30, 0, 0, 0}, "x", 1, {11, 19, 30, 1, 0, -1}, 1},
      {0, 2, {10, 20, 30, 0, 0, 0}, "1", 2, {12, 19, 29, 0, 1, -1}, 2},  // continues from 1
      {0, 2, {10, 20, 30, 0, 0, 0}, "0", 1, {10, 20, 30, 0, 0, 0}, 1},
      {0, 3, {-10, 0, 0, 0, 0, 0, 5, 0, 0}, "1", 1, {-10, 0, 0, 0, 0, 0, 5, -1, 1}, 4},
      {3, 0, {}, "1", 1, {}, 3},  // no rows: the phase stays
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(::testing::Message() << c.word << " on " << ::testing::PrintToString(c.in));
    Image image = rgb_image(c.nx, c.in);
    dither_state() = c.phase;
    for (int pass = 0; pass < c.passes; ++pass) color_dithering(c.word, image);
    EXPECT_EQ(rgb_of(image), c.out);
    EXPECT_EQ(dither_state(), c.phase_after);
  }
  dither_state() = 0;
}

// Dithering done the plain way: the remainder of the whole sum, then the
// move with saturating stores.
void plain_dithering(Image &image, int32_t amount, int32_t &state) {
  int64_t phase = state;
  for (int32_t y = 0; y < image.ny; ++y) {
    for (int32_t x = 0; x < image.nx; ++x) {
      Pixel &p = image.at(x, y);
      int64_t r = p.r, g = p.g, b = p.b;
      phase = (r + phase + g + b + x + y) % 6;
      move_between_channels(static_cast<int>(phase), int64_t{amount}, r, g, b);
      p = {saturate_sample(r), saturate_sample(g), saturate_sample(b), p.aux};
    }
  }
  if (image.ny > 0) state = static_cast<int32_t>(phase);
}

TEST(ColorDithering, MatchesPlainDitheringOnRandomImages) {
  const struct {
    int lo, hi;
    const char *word;
    int32_t amount;
  } cases[] = {{-20, 20, "1", 1},
               {-32768, 32767, "3", 3},
               {-300, 300, "-70000", -70000},
               {0, 255, "2000000000", 2000000000}};
  int32_t state = 0;
  for (const auto &c : cases) {
    SCOPED_TRACE(c.word);
    const Image start = random_image(61, 13, c.lo, c.hi, c.amount);
    Image image = start.scratch_copy(), reference = start.scratch_copy();
    dither_state() = state;
    color_dithering(c.word, image);
    plain_dithering(reference, c.amount, state);
    EXPECT_EQ(testing::samples_of(image), testing::samples_of(reference));
    EXPECT_EQ(dither_state(), state);
  }
  dither_state() = 0;
}

std::string step_line(const std::string &label, int step) {
  return label + " cpu time step " + std::to_string(step) + " total T this step T \n";
}

// The log between the start step and the writing of the image.
std::string command_log(const std::string &err) {
  const std::string log = testing::mask_times(err);
  const size_t begin = log.find("cmd ");
  const size_t end = log.find("save type");
  return begin == std::string::npos || end == std::string::npos ? log
                                                                : log.substr(begin, end - begin);
}

// Whole runs on the 2x1 image (10, 20, 30), (5, 5, 5): each command's log
// lines and the written pixels.
TEST(ColorCommands, LogsAndPixelsThroughTheProgram) {
  const struct {
    std::vector<std::string> args;
    std::string log;
    std::string pixels;
  } cases[] = {
      {{"-co", "0.1,0.2"}, "offsets 0.1,0.1,0.1\n" + step_line("color offset correction", 1),
       "$.8\x1f\x1f\x1f"},
      {{"-cg", "2,1"}, "gains 2,2,2\n" + step_line("color gain correction", 1), "\x14(<\n\n\n"},
      {{"-cc", "2,1,1,0"}, "contrast 2,1,1,0\n" + step_line("color contrast correction", 1),
       "\1\x14\x1e\1\5\5"},
      {{"-cs", "0,0,0,7"}, "saturation 0,0,0,7\n" + step_line("color saturation correction", 1),
       "\x14\x14\x14\5\5\5"},
      {{"-g"}, "gamma 1,1,1,255\n" + step_line("color gamma correction", 1),
       "\n\x14\x1e\5\5\5"},
      // The second pass starts from the phase the first left (4), not 0.
      {{"-cd", "x", "-cd"},
       "color dithering 1 \n" + step_line("color dithering done", 1) +
           "cmd -cd, par x\ncolor dithering 1 \n" + step_line("color dithering done", 2),
       "\x0b\x12\x1f\4\5\6"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.args[0]);
    const testing::ProgramResult result =
        testing::run_photofilter(c.args, testing::ppm_file(2, 1, {10, 20, 30, 5, 5, 5}));
    ASSERT_EQ(result.status, 0) << result.err;
    const std::string cmd = "cmd " + c.args[0] + ", par " + (c.args.size() > 1 ? c.args[1] : "x");
    EXPECT_EQ(command_log(result.err), cmd + "\n" + c.log);
    EXPECT_EQ(testing::pixel_data_after_header(result.out, 2, 1), c.pixels);
  }
}

}  // namespace
}  // namespace photofilter
