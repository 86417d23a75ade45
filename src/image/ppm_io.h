// Reading a binary P6 or P5 image into the working image, and writing the
// working image as a P6 with maximum value 255, clamping every sample.
#pragma once

#include <cstdio>

#include "image/byte_image.h"
#include "image/image.h"

namespace photofilter {

// Fills `image` from `in`. Logs the header it found on standard error.
// Throws RunError for a bad header (see read_header), truncated pixel data,
// a failed read or a failed allocation; the message is complete as it
// stands. Interrupted reads are retried, and a non-blocking `in` is waited
// on (see read_input).
void read_image(Image &image, std::FILE *in);

// The same, keeping the pixel data as 3 bytes a pixel.
void read_byte_image(ByteImage &image, std::FILE *in);

// For a run without commands. Reads the header into `image`; when the
// pixel data are 8-bit colour with maximum value 255 in a regular file that
// holds all of them, leaves them unread in `in` for
// write_image_copied_from and returns true (the image then has no pixel
// memory). Otherwise reads the whole image as bytes and returns false.
// Copying the bytes through a small buffer touches little fresh memory.
bool read_image_for_copy(ByteImage &image, std::FILE *in);

// Writes the P6 header of `image` and copies its pixel data, as they are,
// from `in` to `out`, then closes `out`; logs like write_image. A file that
// has shrunk since read_image_for_copy leaves part of the image written.
void write_image_copied_from(const ImageHeader &image, std::FILE *in, std::FILE *out);

// Writes `image` to `out` as P6 and closes `out`. Logs on standard error.
// Throws RunError when a write or the close fails, or when its buffer
// cannot be had (before anything is written).
void write_image(const Image &image, std::FILE *out);
void write_byte_image(const ByteImage &image, std::FILE *out);

}  // namespace photofilter
