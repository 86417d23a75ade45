// Commands that work on an image still held as read (3 bytes a pixel)
// must give exactly what their handlers give on the widened image: the
// same samples when more commands follow, the same written bytes when the
// image is written next.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "driver/command_table.h"
#include "filters/color/dither_state.h"
#include "image/errors.h"
#include "image/ppm_io.h"
#include "test_images.h"

namespace photofilter::testing {
namespace {

// The bytes written after the command, its rejection, or its failure (a
// result too large for the memory).
template <typename Apply, typename AnyImage>
std::string outcome(Apply apply, AnyImage &image) {
  try {
    apply();
  } catch (const InvalidParameter &reason) {
    return std::string("rejected: ") + reason.what();
  } catch (const RunError &failure) {
    return std::string("failed: ") + failure.what();
  }
  return written(image);
}

std::string photo_file(int nx, int ny) {
  std::vector<uint8_t> samples(static_cast<size_t>(nx) * ny * 3);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<uint8_t>(i * 97 + i / 7);
  if (!samples.empty()) samples[0] = 0;
  if (samples.size() > 1) samples[1] = 255;
  return ppm_file(nx, ny, samples);
}

std::vector<std::string> byte_command_words() {
  std::vector<std::string> words;
  for (const Command &command : command_table()) {
    if (command.on_bytes != nullptr) words.push_back(command.word);
  }
  return words;
}

// Words whose blur passes over the large file would take seconds: 10,20,30
// means 13 scaling blur passes over 39 megapixels, or 20 edge blurs of
// radius 20, and smoothed enlargements blur the enlarged image. The small
// files cover them.
bool slow_on_large_file(const std::string &command, const std::string &word) {
  return command == "-sc" || (command == "-s" && word == "10,20,30,40,2,3") || (command == "-ssc" && std::atof(word.c_str()) > 1) ||
         ((command == "-ec" || command == "-ec1") && word == "10,20,30,40,2,3");
}

class ByteEntryPoint : public ::testing::TestWithParam<std::string> {};

TEST_P(ByteEntryPoint, GivesWhatTheHandlerGivesOnTheWidenedImage) {
  const Command &command = *find_command(GetParam().c_str());
  // 512x384 is large enough for the table paths of saturation.
  const std::string files[] = {photo_file(29, 17), photo_file(1, 6), photo_file(0, 0),
                               photo_file(512, 384)};
  const char *words[] = {"x",   "2.2",       "0.5,1,2",         "1.5,1,1,300", "-0.3", "0",
                         "0.4", "2,2,2,127", "0.04,0,-0.04",    "1.1,1,0.9",   "-1",   "3",
                         "1",   "0.2,0.9",   "10,20,30,40,2,3", "0,0,0,0,0,0,0",
                         // crop rectangles, ends counted from the far edges, aspect bands
                         "2,3,20,11", "5,0,-4,-2", "0,0,0,0", "28,16", "-16,-9", "-1,-4",
                         "-3,-2,0,5",
                         // frame colours past 1.0 and below 0, borders of 0
                         "0.5,1,0.2,2,0,1,3", "1.2,0.5,0.5,0,1,0,0", "0.3,0.3,0.3,0,0,0,0",
                         "0.5,0.5,0.5,2,0,1,0",
                         // compression factors and blur cycles
                         "2", "100000"};
  // One cycle of the blur: step mode, radii 0, 7 and beyond the streamed
  // window or the image, a weight that overflows, a weight of 0.
  const char *blur_words[] = {"1,2,-3", "1,0,5",     "1,7,0.3", "1,1,1000",
                              "1,70,2", "1,600,1", "1,3,1e308", "3,1,0"};
  // One cycle of "-fnr": radii 1, 8 (a whole window only along the rows
  // of 29x17), 64 and 65 around the streamed limit; steps below 0, of 0,
  // beyond the cap, and one per channel.
  const char *fnr_words[] = {"1,1,-1,-1,1", "8,3", "64,2", "65,2", "2,-2", "3,0",
                             "2,100000",    "2,1,2,3"};
  std::vector<const char *> all_words(std::begin(words), std::end(words));
  if (command.word == std::string("-s")) {
    all_words.insert(all_words.end(), std::begin(blur_words), std::end(blur_words));
  }
  if (command.word == std::string("-fnr")) {
    all_words.insert(all_words.end(), std::begin(fnr_words), std::end(fnr_words));
  }
  for (const std::string &file : files) {
    for (const char *word : all_words) {
      if (file.size() > 100000 && slow_on_large_file(command.word, word)) continue;
      // A hundred thousand blur cycles take seconds even on a small image.
      if ((command.word == std::string("-s") || command.word == std::string("-fnr")) &&
          word == std::string("100000")) {
        continue;
      }
      for (const bool written_next : {false, true}) {
        Image widened = read_from(file);
        WorkingImage bytes(read_bytes_from(file));
        const std::string what = std::string(command.word) + " " + word + " on " +
                                 std::to_string(widened.nx) + "x" + std::to_string(widened.ny);
        // "-cd" carries its dither phase from one use to the next: both
        // start from the same phase and must end at the same one.
        dither_state() = 3;
        const std::string from_bytes =
            outcome([&] { command.on_bytes(word, bytes, written_next); }, bytes);
        const int32_t phase_after_bytes = dither_state();
        dither_state() = 3;
        EXPECT_EQ(from_bytes, outcome([&] { command.handler(word, widened); }, widened)) << what;
        EXPECT_EQ(phase_after_bytes, dither_state()) << what;
        if (!written_next) {
          EXPECT_EQ(samples_of(bytes.widened()), samples_of(widened)) << what;
        }
      }
    }
  }
  dither_state() = 0;
}

INSTANTIATE_TEST_SUITE_P(EveryByteCommand, ByteEntryPoint,
                         ::testing::ValuesIn(byte_command_words()),
                         [](const ::testing::TestParamInfo<std::string> &info) {
                           return info.param.substr(1);
                         });

}  // namespace
}  // namespace photofilter::testing
