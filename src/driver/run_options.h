// The options that come before the command pairs.
#pragma once

namespace photofilter {

struct RunOptions {
  bool check = false;  // --check: the plans alone, from the header
  int threads = 1;     // --threads N; 0 asks for every processor we may use
  int first_pair = 1;  // argv index of the first command word
};

// The most threads a run starts, whatever it asks for.
constexpr int kMostThreads = 256;

// Reads --check and --threads N, in any order, from argv[1] on. Returns
// false after logging "invalid option --threads <value>: a whole number 0
// or more" for a value that is not one.
bool read_run_options(int argc, const char *const *argv, RunOptions &options);

}  // namespace photofilter
