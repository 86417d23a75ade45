// Handlers of the colour-correction commands.
#pragma once

#include "image/byte_image.h"
#include "image/image.h"

namespace photofilter {

void color_offset_correction(const char *word, Image &image);      // "-co"
void color_gain_correction(const char *word, Image &image);        // "-cg"
void color_contrast_correction(const char *word, Image &image);    // "-cc"
void color_saturation_correction(const char *word, Image &image);  // "-cs"
void color_gamma_correction(const char *word, Image &image);       // "-g"
void color_dithering(const char *word, Image &image);              // "-cd"

// The plans alone, for a check of a command line: each logs the parameter
// lines its handler logs; none of them changes the size.
void check_color_offset_correction(const char *word, ImageHeader &image);
void check_color_gain_correction(const char *word, ImageHeader &image);
void check_color_contrast_correction(const char *word, ImageHeader &image);
void check_color_saturation_correction(const char *word, ImageHeader &image);
void check_color_gamma_correction(const char *word, ImageHeader &image);
void check_color_dithering(const char *word, ImageHeader &image);

// The same commands for an image still held as bytes.
void color_offset_correction_bytes(const char *word, WorkingImage &image, bool written_next);
void color_gain_correction_bytes(const char *word, WorkingImage &image, bool written_next);
void color_contrast_correction_bytes(const char *word, WorkingImage &image, bool written_next);
void color_saturation_correction_bytes(const char *word, WorkingImage &image,
                                       bool written_next);
void color_gamma_correction_bytes(const char *word, WorkingImage &image, bool written_next);
// Bytes again only when the result is written next.
void color_dithering_bytes(const char *word, WorkingImage &image, bool written_next);

}  // namespace photofilter
