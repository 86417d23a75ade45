// Commands that work on an image still packed as read (3 bytes a pixel)
// must give exactly what they give on the widened image: the same samples
// when more commands follow, the same written bytes when the image is
// written next.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "driver/command_table.h"
#include "image/ppm_io.h"
#include "test_images.h"

namespace photofilter::testing {
namespace {

Image read_file(std::string bytes, bool keep_packed) {
  std::FILE *in = fmemopen(bytes.data(), bytes.size(), "r");
  Image image;
  read_image(image, in, keep_packed);
  std::fclose(in);
  return image;
}

std::string written(const Image &image) {
  char *buffer = nullptr;
  size_t size = 0;
  std::FILE *out = open_memstream(&buffer, &size);
  write_image(image, out);
  std::string bytes(buffer, size);
  std::free(buffer);
  return bytes;
}

// A small image, and one large enough for the table paths of saturation.
class PackedImage : public ::testing::TestWithParam<std::pair<int, int>> {};

TEST_P(PackedImage, CommandsGiveTheSameResultOnPackedAndWidenedImages) {
  const auto [nx, ny] = GetParam();
  std::vector<uint8_t> samples(static_cast<size_t>(nx) * ny * 3);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<uint8_t>(i * 97 + i / 7);
  samples[0] = 0;
  samples[1] = 255;
  const std::string file = ppm_file(nx, ny, samples);
  const char *words[] = {"x",   "2.2",       "0.5,1,2",         "1.5,1,1,300", "-0.3", "0",
                         "0.4", "2,2,2,127", "0.04,0,-0.04",    "1.1,1,0.9",   "-1",   "3",
                         "1",   "0.2,0.9",   "10,20,30,40,2,3", "0,0,0,0,0,0,0"};
  int packed_commands = 0;
  for (const Command &command : command_table()) {
    if (!command.takes_packed_image) continue;
    ++packed_commands;
    for (const char *word : words) {
      for (const bool written_next : {false, true}) {
        Image widened = read_file(file, false);
        Image packed = read_file(file, true);
        widened.written_next = packed.written_next = written_next;
        command.handler(word, widened);
        command.handler(word, packed);
        const std::string what = std::string(command.word) + " " + word;
        EXPECT_EQ(written(packed), written(widened)) << what;
        if (!written_next) {
          packed.unpack_pixels();
          EXPECT_EQ(samples_of(packed), samples_of(widened)) << what;
        }
      }
    }
  }
  EXPECT_GT(packed_commands, 0);
}

INSTANTIATE_TEST_SUITE_P(Sizes, PackedImage,
                         ::testing::Values(std::make_pair(29, 17), std::make_pair(512, 384)));

}  // namespace
}  // namespace photofilter::testing
