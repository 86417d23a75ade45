#include "test_images.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>

#include "image/ppm_io.h"

namespace photofilter::testing {

std::string photo_like(int nx, int ny) {
  std::mt19937 random(nx * 131 + ny);
  std::vector<uint8_t> samples;
  for (int y = 0; y < ny; ++y) {
    for (int x = 0; x < nx; ++x) {
      const int dx = x - nx / 2, dy = y - ny / 2, d2 = dx * dx + dy * dy;
      if (nx >= 20 && d2 < 36) {
        samples.insert(samples.end(), {255, 255, 250});
      } else if (nx >= 20 && d2 < 64) {
        samples.insert(samples.end(), {uint8_t(x % 2 ? 230 : 60), 80, uint8_t(x % 2 ? 60 : 230)});
      } else {
        for (int c = 0; c < 3; ++c) samples.push_back(static_cast<uint8_t>(random()));
      }
    }
  }
  return ppm_file(nx, ny, samples);
}

std::string sample_photo() {
  std::ifstream file(PHOTOFILTER_SAMPLE_PHOTO, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string ppm_file(int nx, int ny, const std::vector<uint8_t> &samples) {
  return "P6\n" + std::to_string(nx) + " " + std::to_string(ny) + "\n255\n" +
         std::string(samples.begin(), samples.end());
}

std::string pgm_file(int nx, int ny, const std::vector<uint8_t> &samples) {
  return "P5\n" + std::to_string(nx) + " " + std::to_string(ny) + "\n255\n" +
         std::string(samples.begin(), samples.end());
}

std::string pixel_data_after_header(const std::string &file, int nx, int ny) {
  const std::string header = "P6\n" + std::to_string(nx) + " " + std::to_string(ny) + "\n255\n";
  EXPECT_EQ(file.substr(0, header.size()), header);
  return file.size() >= header.size() ? file.substr(header.size()) : std::string();
}

Image random_image(int nx, int ny, int lo, int hi, uint32_t seed) {
  Image image;
  image.nx = nx;
  image.ny = ny;
  image.pixels = allocate_pixels(int64_t{nx} * ny, "test image");
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> sample(lo, hi);
  for (int64_t i = 0; i < image.pixel_count(); ++i) {
    Pixel &p = image.pixels[i];
    p.r = static_cast<int16_t>(sample(random));
    p.g = static_cast<int16_t>(sample(random));
    p.b = static_cast<int16_t>(sample(random));
    p.aux = static_cast<int16_t>(sample(random));
  }
  return image;
}

Image row_image(const std::vector<int16_t> &values) {
  Image image;
  image.nx = static_cast<int32_t>(values.size());
  image.ny = 1;
  image.pixels = allocate_pixels(image.nx, "test image");
  for (int x = 0; x < image.nx; ++x) image.pixels[x] = Pixel{values[x], values[x], values[x], 0};
  return image;
}

namespace {

template <typename AnyImage, typename Read>
AnyImage read_with(std::string &file, Read read) {
  std::FILE *in = fmemopen(file.data(), file.size(), "r");
  EXPECT_NE(in, nullptr);
  AnyImage image;
  read(image, in);
  std::fclose(in);
  return image;
}

template <typename AnyImage, typename Write>
std::string written_with(const AnyImage &image, Write write) {
  char *buffer = nullptr;
  size_t size = 0;
  std::FILE *out = open_memstream(&buffer, &size);
  write(image, out);  // closes `out`
  std::string bytes(buffer, size);
  std::free(buffer);
  return bytes;
}

}  // namespace

Image read_from(std::string file) {
  return read_with<Image>(file, [](Image &image, std::FILE *in) { read_image(image, in); });
}

ByteImage read_bytes_from(std::string file) {
  return read_with<ByteImage>(file,
                              [](ByteImage &image, std::FILE *in) { read_byte_image(image, in); });
}

std::string written(const Image &image) {
  return written_with(image, [](const Image &i, std::FILE *out) { write_image(i, out); });
}

std::string written(const ByteImage &image) {
  return written_with(image, [](const ByteImage &i, std::FILE *out) { write_byte_image(i, out); });
}

std::string written(WorkingImage &image) {
  return image.holds_bytes() ? written(image.bytes()) : written(image.widened());
}

std::vector<int16_t> samples_of(const Image &image) {
  std::vector<int16_t> samples;
  samples.reserve(static_cast<size_t>(image.pixel_count()) * 4);
  for (int64_t i = 0; i < image.pixel_count(); ++i) {
    const Pixel &p = image.pixels[i];
    samples.insert(samples.end(), {p.r, p.g, p.b, p.aux});
  }
  return samples;
}

}  // namespace photofilter::testing
