// Handlers of the edge-enhancement commands.
#pragma once

#include "image/image.h"

namespace photofilter {

void edge_contrast(const char *word, Image &image);   // "-ec"
void edge_contrast1(const char *word, Image &image);  // "-ec1"
void test_filter(const char *word, Image &image);     // "-t"

}  // namespace photofilter
