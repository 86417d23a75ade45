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
  double cpu_seconds = 0;  // user plus system time of the child
};

// Bounds for one run, so that a case asking for gigabytes or hours ends in
// "out of memory" or a kill instead of taking the machine. 0 means none.
struct RunLimits {
  int memory_mb = 0;
  int cpu_seconds = 0;
  int wall_seconds = 0;  // the child is killed (status -1) after this long
  int memory_kb = 0;     // added to memory_mb, for finer limits
};

// False in a build with AddressSanitizer, where a memory limit caps single
// allocations instead of the child's address space, and with
// ThreadSanitizer, where it is not applied.
bool address_space_is_limited();

ProgramResult run_photofilter(const std::vector<std::string> &args, const std::string &input);

// The same within the given limits. In a build with AddressSanitizer the
// memory limit caps single allocations (the sanitizer reserves far more
// address space than any limit on it would allow); otherwise it caps the
// child's address space.
ProgramResult run_photofilter_limited(const std::vector<std::string> &args,
                                      const std::string &input, RunLimits limits);

// The same with standard input and output opened from the given paths (a
// terminal device, say; "" leaves the stream closed); `out` is then left
// empty.
ProgramResult run_photofilter_on(const std::vector<std::string> &args,
                                 const std::string &stdin_path, const std::string &stdout_path,
                                 RunLimits limits = {});

// The same with standard input read from our open descriptor `stdin_fd`
// (a pipe, say), which stays open here; standard output is collected.
ProgramResult run_photofilter_from(const std::vector<std::string> &args, int stdin_fd,
                                   RunLimits limits = {});

// The log with the CPU times of every step line replaced by "T", so that
// logs can be compared exactly.
std::string mask_times(const std::string &log);

}  // namespace photofilter::testing
