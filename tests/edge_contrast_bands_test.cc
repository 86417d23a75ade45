// The banded blur and pass of "-ec" and "-ec1" against the whole image
// blurred at once and scaled by the plain rule: bands of every height from
// one row up, blur reaches beyond a band and beyond the image, images held
// as bytes.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "filters/edge/edge_bytes.h"
#include "filters/edge/edge_contrast_bands.h"
#include "filters/edge/edge_contrast_scaling.h"
#include "image/kernels.h"
#include "test_images.h"

namespace photofilter {
namespace {

using testing::ppm_file;
using testing::random_image;
using testing::read_bytes_from;
using testing::read_from;
using testing::samples_of;
using testing::written;

struct Pass {
  EdgeFactor kind;
  int radius;
  double weight;
};

Image plainly_done(const Image &image, const Pass &pass) {
  Image result = image.scratch_copy(), blurred = image.scratch_copy();
  for (int k = 0; k < pass.radius; ++k) weighted_blur(blurred, pass.radius, pass.weight);
  scale_by_edge_factors_plainly(result, blurred, 1.5, 255, pass.kind);
  return result;
}

void band_wise(EdgeRows &&rows, const Pass &pass, int64_t band_rows, int32_t parts = 1) {
  EdgeBands bands(rows, pass.radius, pass.weight, band_rows, parts);
  bands.blur_and_scale(rows, EdgeScaler(1.5, 255, pass.kind));
}

std::vector<Pass> passes() {
  std::vector<Pass> all;
  for (EdgeFactor kind : {EdgeFactor::kOverBrightness, EdgeFactor::kOverBlurredBrightness}) {
    for (int radius : {0, 1, 2, 3}) {
      for (double weight : {1.0, 0.3, -1.0}) all.push_back({kind, radius, weight});
    }
  }
  return all;
}

const int kSizes[][2] = {{1, 1}, {1, 9}, {2, 5}, {6, 2}, {7, 13}, {9, 31}};
const int64_t kBandRows[] = {1, 2, 3, 5, 1000};
const int32_t kParts[] = {1, 2, 3, 7};

TEST(EdgeContrastBands, EveryBandHeightAndPartCountGivesTheWholeImageResult) {
  uint32_t seed = 7;
  for (const auto &size : kSizes) {
    for (const auto &range : {std::pair{0, 255}, std::pair{INT16_MIN, INT16_MAX}}) {
      const Image image = random_image(size[0], size[1], range.first, range.second, seed++);
      for (const Pass &pass : passes()) {
        const std::vector<int16_t> expected = samples_of(plainly_done(image, pass));
        for (int64_t rows : kBandRows) {
          for (int32_t parts : kParts) {
            SCOPED_TRACE(::testing::Message()
                         << size[0] << "x" << size[1] << " radius " << pass.radius << " weight "
                         << pass.weight << " kind " << static_cast<int>(pass.kind) << " rows "
                         << rows << " parts " << parts);
            Image banded = image.scratch_copy();
            band_wise(ImageEdgeRows(banded), pass, rows, parts);
            ASSERT_EQ(samples_of(banded), expected);
          }
        }
      }
    }
  }
}

// An image held as bytes gives the bytes the widened image gives.
TEST(EdgeContrastBands, ByteImagesGiveTheWidenedResult) {
  std::mt19937 random(11);
  for (const auto &size : kSizes) {
    std::vector<uint8_t> bytes(static_cast<size_t>(size[0]) * size[1] * 3);
    for (uint8_t &byte : bytes) byte = static_cast<uint8_t>(random());
    const std::string file = ppm_file(size[0], size[1], bytes);
    for (const Pass &pass : passes()) {
      const Image expected = plainly_done(read_from(file), pass);
      for (int64_t rows : kBandRows) {
        SCOPED_TRACE(::testing::Message() << size[0] << "x" << size[1] << " radius "
                                          << pass.radius << " rows " << rows);
        ByteImage bytes = read_bytes_from(file);
        band_wise(ByteEdgeRows(bytes), pass, rows, 3);
        ASSERT_EQ(written(bytes), written(expected));
      }
    }
  }
}

// A reach, radius squared, beyond 32 bits: one-row bands still hold the
// whole image around them.
TEST(EdgeContrastBands, ReachBeyond32Bits) {
  const Image image = random_image(2, 2, 0, 255, 3);
  const Pass pass{EdgeFactor::kOverBrightness, 46341, 1.0};
  Image banded = image.scratch_copy();
  band_wise(ImageEdgeRows(banded), pass, 1);
  EXPECT_EQ(samples_of(banded), samples_of(plainly_done(image, pass)));
}

}  // namespace
}  // namespace photofilter
