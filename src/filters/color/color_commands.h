// Handlers of the colour-correction commands.
#pragma once

#include "image/image.h"

namespace photofilter {

void color_offset_correction(const char *word, Image &image);      // "-co"
void color_gain_correction(const char *word, Image &image);        // "-cg"
void color_contrast_correction(const char *word, Image &image);    // "-cc"
void color_saturation_correction(const char *word, Image &image);  // "-cs"
void color_gamma_correction(const char *word, Image &image);       // "-g"
void color_dithering(const char *word, Image &image);              // "-cd"

}  // namespace photofilter
