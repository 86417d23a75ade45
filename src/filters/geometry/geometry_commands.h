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

// The same commands for an image still held as bytes.
void crop_bytes(const char *word, WorkingImage &image, bool written_next);
void scaling_bytes(const char *word, WorkingImage &image, bool written_next);
void framing_bytes(const char *word, WorkingImage &image, bool written_next);
void compression_bytes(const char *word, WorkingImage &image, bool written_next);
void smoothed_scaling_bytes(const char *word, WorkingImage &image, bool written_next);

}  // namespace photofilter
