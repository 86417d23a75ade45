// Handlers of the fringe-correction commands.
#pragma once

#include "image/image.h"

namespace photofilter {

void red_fringe_correction(const char *word, Image &image);   // "-rfc"
void blue_fringe_correction(const char *word, Image &image);  // "-bfc"
void rfc1_correction(const char *word, Image &image);         // "-rfc1"

}  // namespace photofilter
