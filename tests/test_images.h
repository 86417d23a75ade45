// Small images for tests: Netpbm files as byte strings, and working
// images filled with chosen or pseudo-random samples.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/byte_image.h"
#include "image/image.h"

namespace photofilter::testing {

// A binary P6 (3 samples a pixel) or P5 file with maximum value 255.
std::string ppm_file(int nx, int ny, const std::vector<uint8_t> &samples);
std::string pgm_file(int nx, int ny, const std::vector<uint8_t> &samples);

// A P6 of noise with, where the image is at least 20 wide, a bright disc
// in the middle ringed by red and blue fringes, so that the fringe
// commands find work.
std::string photo_like(int nx, int ny);

// The bundled sample photo, a 1024x683 P6, as a file's bytes.
std::string sample_photo();

// The pixel data after a P6 header "P6\n<nx> <ny>\n255\n"; fails the
// calling test if the header is different.
std::string pixel_data_after_header(const std::string &file, int nx, int ny);

// An image whose r, g, b and aux samples are drawn from [lo, hi].
Image random_image(int nx, int ny, int lo, int hi, uint32_t seed);

// An image of one row holding the given values in r, g and b (aux 0).
Image row_image(const std::vector<int16_t> &values);

// read_image and write_image on memory: the image a file gives, and the
// file an image gives (write_image closes its stream). The same for an
// image held as bytes, and for either as the driver holds it.
Image read_from(std::string file);
ByteImage read_bytes_from(std::string file);
std::string written(const Image &image);
std::string written(const ByteImage &image);
std::string written(WorkingImage &image);

// Every pixel's four samples, for comparing images.
std::vector<int16_t> samples_of(const Image &image);

}  // namespace photofilter::testing
