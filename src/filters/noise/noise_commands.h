// Handlers of the noise-reduction commands.
#pragma once

#include "image/image.h"

namespace photofilter {

void smooth(const char *word, Image &image);  // "-s"

}  // namespace photofilter
