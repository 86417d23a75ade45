// A check of a command line: the whole chain walked from the image header
// alone, before any pixel is read.
#pragma once

#include <cstdio>

namespace photofilter {

// Reads the header from `in` (and nothing after it), then for every pair
// from argv[first] on logs the "cmd" line, the command's parameter lines
// as its plan logs them, a note on text of the parameter word its scan did
// not read, and "size after <word>: <width> <height>"; last "output size
// <width> <height>". Returns 0, or 1 after the line with which a real run
// would end at that pair (a bad header, an unknown command word, a
// rejected parameter). Writes no image and allocates no pixels.
int check_command_line(int argc, const char *const *argv, int first, std::FILE *in);

}  // namespace photofilter
