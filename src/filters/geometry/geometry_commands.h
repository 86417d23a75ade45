// Handlers of the geometry and framing commands. Each one hands its new
// pixel array and size to Image::replace_pixels.
#pragma once

#include "image/image.h"

namespace photofilter {

void crop(const char *word, Image &image);              // "-cr"
void scaling(const char *word, Image &image);           // "-sc"
void smoothed_scaling(const char *word, Image &image);  // "-ssc"
void framing(const char *word, Image &image);           // "-fr"
void compression(const char *word, Image &image);       // "-comp"

}  // namespace photofilter
