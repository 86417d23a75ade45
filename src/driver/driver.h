// The run of one command line: banner, read, commands in order, write.
#pragma once

#include <cstdio>

namespace photofilter {

// Runs the program on `in` and `out` with the given arguments (argv[0] is
// the program name) and returns the exit status.
int run(int argc, const char *const *argv, std::FILE *in, std::FILE *out);

}  // namespace photofilter
