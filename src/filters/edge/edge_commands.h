// Handlers of the edge-enhancement commands.
#pragma once

#include "image/byte_image.h"
#include "image/image.h"

namespace photofilter {

void edge_contrast(const char *word, Image &image);   // "-ec"
void edge_contrast1(const char *word, Image &image);  // "-ec1"
void test_filter(const char *word, Image &image);     // "-t"

// The plans alone, for a check of a command line: each logs the parameter
// lines its handler logs and leaves `image` with the size the command
// leaves. "-ec" and "-ec1" share one.
void check_edge_contrast(const char *word, ImageHeader &image);  // "-ec", "-ec1"
void check_test_filter(const char *word, ImageHeader &image);    // "-t"

// The same commands for an image still held as bytes (edge_bytes.cc).
void edge_contrast_bytes(const char *word, WorkingImage &image, bool written_next);
void edge_contrast1_bytes(const char *word, WorkingImage &image, bool written_next);
void test_filter_bytes(const char *word, WorkingImage &image, bool written_next);

}  // namespace photofilter
