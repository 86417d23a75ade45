// Handlers of the fringe-correction commands.
#pragma once

#include "image/image.h"

namespace photofilter {

void red_fringe_correction(const char *word, Image &image);   // "-rfc"
void blue_fringe_correction(const char *word, Image &image);  // "-bfc"
void rfc1_correction(const char *word, Image &image);         // "-rfc1"

// The plans alone, for a check of a command line: each logs the parameter
// lines its handler logs and refuses what it refuses; the size stays.
void check_red_fringe_correction(const char *word, ImageHeader &image);
void check_blue_fringe_correction(const char *word, ImageHeader &image);
void check_rfc1_correction(const char *word, ImageHeader &image);

}  // namespace photofilter
