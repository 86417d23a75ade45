// Handlers of the noise-reduction commands.
#pragma once

#include "image/byte_image.h"
#include "image/image.h"

namespace photofilter {

void smooth(const char *word, Image &image);                 // "-s"
void blur2(const char *word, Image &image);                  // "-b2"
void color_noise_reduction(const char *word, Image &image);  // "-cnr"
void simple_noise_reduction(const char *word, Image &image); // "-snr"
void fnr_noise_reduction(const char *word, Image &image);    // "-fnr"
void noise_reduction(const char *word, Image &image);        // "-nr"
void single_pixel_removal(const char *word, Image &image);   // "-spr"

// The plans alone, for a check of a command line: each logs the parameter
// lines its handler logs; only "-b2" changes the size.
void check_smooth(const char *word, ImageHeader &image);
void check_blur2(const char *word, ImageHeader &image);
void check_color_noise_reduction(const char *word, ImageHeader &image);
void check_simple_noise_reduction(const char *word, ImageHeader &image);
void check_fnr_noise_reduction(const char *word, ImageHeader &image);
void check_noise_reduction(const char *word, ImageHeader &image);
void check_single_pixel_removal(const char *word, ImageHeader &image);

// "-b2" for an image still held as bytes, which stays bytes.
void blur2_bytes(const char *word, WorkingImage &image, bool written_next);
// "-s" for an image still held as bytes: bytes again when its one cycle is
// written next or its weight is 0, else widened.
void smooth_bytes(const char *word, WorkingImage &image, bool written_next);
// "-fnr" for an image still held as bytes: bytes again when its one cycle
// is written next, else widened.
void fnr_noise_reduction_bytes(const char *word, WorkingImage &image, bool written_next);

}  // namespace photofilter
