// read_image and write_image called directly on in-memory streams: sample
// scaling for maximum values other than 255, comment lines in the header,
// clamping on output, failed writes, and reads interrupted by signals.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "image/errors.h"
#include "image/image.h"
#include "image/ppm_io.h"
#include "test_images.h"

namespace photofilter::testing {
namespace {

// Every pixel's r, g, b, the way the image holds them after reading.
std::vector<int16_t> rgb_of(const Image &image) {
  std::vector<int16_t> rgb;
  for (int64_t i = 0; i < image.pixel_count(); ++i) {
    const Pixel &p = image.pixels[i];
    rgb.insert(rgb.end(), {p.r, p.g, p.b});
  }
  return rgb;
}

struct ScalingCase {
  const char *name;
  std::string file;
  std::vector<int16_t> rgb;  // expected r, g, b of each pixel
};

void PrintTo(const ScalingCase &c, std::ostream *os) { *os << c.name; }

class DepthScaling : public ::testing::TestWithParam<ScalingCase> {};

// Samples map to 0..255 by (v*255 + depth/2) / depth, values above the
// maximum count as the maximum, and a maximum above 255 means two bytes per
// sample, most significant first.
TEST_P(DepthScaling, SamplesAreScaledToByteRange) {
  const ScalingCase &c = GetParam();
  const Image image = read_from(c.file);
  EXPECT_EQ(rgb_of(image), c.rgb);
  for (int64_t i = 0; i < image.pixel_count(); ++i) EXPECT_EQ(image.pixels[i].aux, 0);

  // Kept as bytes, the image is written with the same bytes, and widens
  // into the same pixels.
  ByteImage bytes = read_bytes_from(c.file);
  EXPECT_EQ(written(bytes), written(image));
  EXPECT_EQ(samples_of(widen(std::move(bytes))), samples_of(image));
}

std::string raw(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s.push_back(static_cast<char>(b));
  return s;
}

INSTANTIATE_TEST_SUITE_P(
    ReadImage, DepthScaling,
    ::testing::Values(ScalingCase{"depth255_unchanged",
                                  "P6\n2 1\n255\n" + raw({0, 7, 200, 255, 1, 128}),
                                  {0, 7, 200, 255, 1, 128}},
                      ScalingCase{"depth15_one_byte",
                                  "P6\n2 1\n15\n" + raw({7, 15, 200, 1, 0, 14}),
                                  {119, 255, 255, 17, 0, 238}},
                      ScalingCase{"depth1_grey",
                                  "P5\n3 1\n1\n" + raw({0, 1, 5}),
                                  {0, 0, 0, 255, 255, 255, 255, 255, 255}},
                      ScalingCase{"depth65535",
                                  "P6\n1 1\n65535\n" + raw({0x00, 0x00, 0xff, 0xff, 0x80, 0x00}),
                                  {0, 255, 128}},
                      ScalingCase{"depth1000_msb_first_and_above_maximum",
                                  "P6\n2 1\n1000\n" + raw({0x01, 0xf4, 0x03, 0xe8, 0x07, 0xd0, 0x00,
                                                           0x01, 0x00, 0x03, 0x01, 0x02}),
                                  {128, 255, 255, 0, 1, 66}},
                      ScalingCase{"depth256_two_bytes",
                                  "P6\n1 1\n256\n" + raw({0x01, 0x00, 0x00, 0x80, 0x00, 0xff}),
                                  {255, 128, 254}},
                      ScalingCase{
                          "depth65535_grey", "P5\n1 1\n65535\n" + raw({0x12, 0x34}), {18, 18, 18}}),
    [](const auto &info) { return std::string(info.param.name); });

// Lines whose first character is '#' are skipped before the magic line,
// between magic and size, and between size and depth.
TEST(ReadImage, SkipsCommentLinesInTheHeader) {
  const Image image = read_from("# made by hand\nP6\n#\n# two comments\n2 1\n# depth next\n255\n" +
                                raw({1, 2, 3, 4, 5, 6}));
  EXPECT_STREQ(image.header_line, "P6\n");
  EXPECT_EQ(image.nx, 2);
  EXPECT_EQ(image.ny, 1);
  EXPECT_EQ(image.depth, 255);
  EXPECT_EQ(rgb_of(image), (std::vector<int16_t>{1, 2, 3, 4, 5, 6}));
}

// Samples outside 0..255 are clamped per channel when written, aux is not
// written, and pixels go out row by row.
TEST(WriteImage, ClampsEachChannelAndWritesRowByRow) {
  Image image;
  image.nx = 2;
  image.ny = 2;
  image.pixels = allocate_pixels(4, "test image");
  image.pixels[0] = Pixel{-5, 300, 128, 999};
  image.pixels[1] = Pixel{INT16_MIN, INT16_MAX, 255, -1};
  image.pixels[2] = Pixel{0, 256, -1, 0};
  image.pixels[3] = Pixel{1, 254, 77, 0};
  EXPECT_EQ(written(image),
            "P6\n2 2\n255\n" + raw({0, 255, 128, 0, 255, 255, 0, 255, 0, 1, 254, 77}));
}

// A write that fails, whether it shows in the buffered writes or only when
// the stream is flushed and closed, is reported and not taken for success.
TEST(WriteImage, FailedWriteThrowsWriteError) {
  for (const int nx : {2, 4000}) {  // 4000x100 overflows any stream buffer
    SCOPED_TRACE(nx);
    const Image image = random_image(nx, 100, -10, 300, 7);
    std::FILE *out = std::fopen("/dev/full", "w");
    ASSERT_NE(out, nullptr);
    // The stream is not closed afterwards: after a failure write_image may
    // or may not have closed it already, and closing it twice is undefined.
    try {
      write_image(image, out);
      ADD_FAILURE() << "no error for a write to /dev/full";
    } catch (const RunError &error) {
      EXPECT_EQ(std::string(error.what()).rfind("write error: ", 0), 0u) << error.what();
    }
  }
}

}  // namespace
}  // namespace photofilter::testing

namespace photofilter::testing {
namespace {

// Widening in place walks down rows whose bytes share memory with the
// pixels written before them: a many-row image must come out whole.
TEST(ReadImage, ByteImageWidensInPlaceRowByRow) {
  std::vector<uint8_t> samples(37 * 23 * 3);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<uint8_t>(i * 131 + 7);
  const std::string file = ppm_file(37, 23, samples);
  const Image direct = read_from(file);
  EXPECT_EQ(samples_of(widen(read_bytes_from(file))), samples_of(direct));
}

// What a run without commands writes for `file` coming from a regular file
// (`regular`) or from a stream that is not one; "error" after a refusal.
std::string copied_unchanged(const std::string &file, bool regular, bool *copied_through) {
  std::FILE *in = regular ? std::tmpfile() : fmemopen(const_cast<char *>(file.data()),
                                                        file.size(), "r");
  if (regular) {
    std::fwrite(file.data(), 1, file.size(), in);
    std::rewind(in);
  }
  char *buffer = nullptr;
  size_t size = 0;
  std::FILE *out = open_memstream(&buffer, &size);
  ByteImage image;
  std::string result;
  *copied_through = false;
  try {
    *copied_through = read_image_for_copy(image, in);
    if (*copied_through) {
      write_image_copied_from(image, in, out);
    } else {
      write_byte_image(image, out);
    }
    result.assign(buffer, size);
  } catch (const RunError &) {
    std::fclose(out);
    result = "error";
  }
  std::fclose(in);
  std::free(buffer);
  return result;
}

// A run without commands copies 8-bit colour from a regular file straight
// through; anything else (a pipe, grey, other depths, a file cut short) is
// read whole first. Both ways give the bytes a read and a write give, and
// a short file is refused either way.
TEST(CopyUnchanged, RegularFilesCopyThroughAndGiveTheSameBytes) {
  const std::string colour = ppm_file(700, 900, std::vector<uint8_t>(size_t{3} * 700 * 900, 77));
  const struct {
    std::string file;
    bool copies_through;
  } cases[] = {
      {colour, true},
      {colour + "trailing bytes", true},
      {colour.substr(0, colour.size() - 1), false},
      {"P5\n3 1\n255\n" + raw({0, 17, 255}), false},
      {"P6\n1 1\n1000\n" + raw({0, 1, 2, 3, 3, 232}), false},
      {"P6\n0 4\n255\n", true},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.file.substr(0, 12));
    bool through_file = false;
    bool through_stream = true;
    const std::string from_file = copied_unchanged(c.file, true, &through_file);
    const std::string from_stream = copied_unchanged(c.file, false, &through_stream);
    EXPECT_EQ(through_file, c.copies_through);
    EXPECT_FALSE(through_stream);
    EXPECT_TRUE(from_file == from_stream);
    if (from_stream != "error") {
      EXPECT_TRUE(from_stream == written(read_from(c.file)));
    }
  }
}

}  // namespace
}  // namespace photofilter::testing

namespace photofilter::testing {
namespace {

void ignore_signal(int) {}

// Reads interrupted by a signal (whose handler does not ask for restarted
// reads) are retried, in the header and in the pixel data alike, while the
// data come slowly through a pipe.
TEST(ReadImage, InterruptedReadsAreRetried) {
  std::vector<uint8_t> samples(size_t{3} * 40 * 30);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<uint8_t>(i * 7 + 1);
  const std::string file = ppm_file(40, 30, samples);
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);

  struct sigaction interrupting = {}, saved = {};
  interrupting.sa_handler = ignore_signal;
  sigemptyset(&interrupting.sa_mask);
  interrupting.sa_flags = 0;  // no SA_RESTART: a blocked read returns EINTR
  sigaction(SIGALRM, &interrupting, &saved);
  // The writer starts with the signal blocked, so that it reaches the reader.
  sigset_t alarm_only, before;
  sigemptyset(&alarm_only);
  sigaddset(&alarm_only, SIGALRM);
  pthread_sigmask(SIG_BLOCK, &alarm_only, &before);
  std::thread writer([&] {
    for (size_t at = 0; at < file.size(); at += 900) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      const std::string piece = file.substr(at, 900);
      EXPECT_EQ(write(ends[1], piece.data(), piece.size()), ssize_t(piece.size()));
    }
    close(ends[1]);
  });
  pthread_sigmask(SIG_SETMASK, &before, nullptr);
  const itimerval every_3ms = {{0, 3000}, {0, 3000}};
  setitimer(ITIMER_REAL, &every_3ms, nullptr);

  std::FILE *in = fdopen(ends[0], "r");
  Image image;
  std::string error;
  try {
    read_image(image, in);
  } catch (const RunError &failure) {
    error = failure.what();
  }
  const itimerval off = {};
  setitimer(ITIMER_REAL, &off, nullptr);
  writer.join();
  std::fclose(in);
  sigaction(SIGALRM, &saved, nullptr);
  EXPECT_EQ(error, "");
  if (error.empty()) {
    EXPECT_TRUE(written(image) == file);
  }
}

}  // namespace
}  // namespace photofilter::testing
