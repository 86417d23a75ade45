// Handlers of the geometry and framing commands. Each one hands its new
// pixel array and size to Image::replace_pixels (ByteImage::replace).
#pragma once

#include "image/byte_image.h"
#include "image/image.h"

namespace photofilter {

void crop(const char *word, Image &image);              // "-cr"
void scaling(const char *word, Image &image);           // "-sc"
void smoothed_scaling(const char *word, Image &image);  // "-ssc"
void framing(const char *word, Image &image);           // "-fr"
void compression(const char *word, Image &image);       // "-comp"

// The plans alone, for a check of a command line: each logs the parameter
// lines its handler logs, refuses what it refuses and leaves `image` with
// the size the command leaves.
void check_crop(const char *word, ImageHeader &image);
void check_scaling(const char *word, ImageHeader &image);
void check_smoothed_scaling(const char *word, ImageHeader &image);
void check_framing(const char *word, ImageHeader &image);
void check_compression(const char *word, ImageHeader &image);

// The same commands for an image still held as bytes.
void crop_bytes(const char *word, WorkingImage &image, bool written_next);
void scaling_bytes(const char *word, WorkingImage &image, bool written_next);
void framing_bytes(const char *word, WorkingImage &image, bool written_next);
void compression_bytes(const char *word, WorkingImage &image, bool written_next);
void smoothed_scaling_bytes(const char *word, WorkingImage &image, bool written_next);

}  // namespace photofilter
