// Runs the photofilter executable as a child process, the way a pipeline
// does, and collects its exit status, standard output and standard error.
#pragma once

#include <string>
#include <vector>

namespace photofilter::testing {

struct ProgramResult {
  int status = -1;  // exit status, or -1 if the child did not exit normally
  std::string out;
  std::string err;
};

ProgramResult run_photofilter(const std::vector<std::string> &args, const std::string &input);

// The same with standard input and output opened from the given paths (a
// terminal device, say); `out` is then left empty.
ProgramResult run_photofilter_on(const std::vector<std::string> &args,
                                 const std::string &stdin_path, const std::string &stdout_path);

// The log with the CPU times of every step line replaced by "T", so that
// logs can be compared exactly.
std::string mask_times(const std::string &log);

}  // namespace photofilter::testing
