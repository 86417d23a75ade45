#include "run_program.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>

#include "image/parallel.h"

extern char **environ;

namespace photofilter::testing {
namespace {

std::string temp_path(const char *tag) {
  std::string pattern = std::string("/tmp/photofilter-test-") + tag + "-XXXXXX";
  const int fd = mkstemp(pattern.data());
  if (fd < 0) throw std::runtime_error("mkstemp failed");
  close(fd);
  return pattern;
}

std::string slurp(const std::string &path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

// Both sanitizers reserve far more address space than a limit on it would
// leave them.
#if defined(__SANITIZE_THREAD__)
constexpr bool kThreadSanitizer = true;
#else
constexpr bool kThreadSanitizer = false;
#endif
constexpr bool kLimitsAddressSpace = !kAddressSanitizer && !kThreadSanitizer;

// The environment of the child: ours, with the sanitizer's allocation cap
// added when the memory limit cannot be an address-space limit.
std::vector<std::string> child_environment(RunLimits limits) {
  std::vector<std::string> variables;
  std::string asan_options;
  for (char **variable = environ; *variable != nullptr; ++variable) {
    const std::string text = *variable;
    if (text.rfind("ASAN_OPTIONS=", 0) == 0) {
      asan_options = text.substr(13);
    } else {
      variables.push_back(text);
    }
  }
  if (kAddressSanitizer && limits.memory_mb > 0) {
    asan_options += (asan_options.empty() ? "" : ":") +
                    std::string("allocator_may_return_null=1:max_allocation_size_mb=") +
                    std::to_string(limits.memory_mb);
  }
  if (!asan_options.empty()) variables.push_back("ASAN_OPTIONS=" + asan_options);
  return variables;
}

std::vector<char *> pointers_to(std::vector<std::string> &words) {
  std::vector<char *> pointers;
  for (std::string &word : words) pointers.push_back(word.data());
  pointers.push_back(nullptr);
  return pointers;
}

// Runs in the child between fork and exec: only async-signal-safe calls.
// `fds` are our descriptors for standard input, output and error; -1
// leaves the stream closed.
[[noreturn]] void exec_child(const int (&fds)[3], RunLimits limits, char **argv, char **envp) {
  // Out of the way of 0..2 first, so that no dup2 below overwrites another.
  int moved[3];
  for (int k = 0; k < 3; ++k) {
    moved[k] = fds[k] < 0 ? -1 : fcntl(fds[k], F_DUPFD_CLOEXEC, 10);
    if (fds[k] >= 0 && moved[k] < 0) _exit(126);
  }
  for (int k = 0; k < 3; ++k) {
    if (moved[k] < 0) {
      close(k);
    } else if (dup2(moved[k], k) < 0) {
      _exit(126);
    }
  }
  if (limits.cpu_seconds > 0) {
    const rlimit cpu = {rlim_t(limits.cpu_seconds), rlim_t(limits.cpu_seconds) + 1};
    setrlimit(RLIMIT_CPU, &cpu);
  }
  if (kLimitsAddressSpace && (limits.memory_mb > 0 || limits.memory_kb > 0)) {
    const rlim_t bytes = (rlim_t(limits.memory_mb) << 20) + (rlim_t(limits.memory_kb) << 10);
    const rlimit memory = {bytes, bytes};
    setrlimit(RLIMIT_AS, &memory);
  }
  if (limits.wall_seconds > 0) alarm(unsigned(limits.wall_seconds));  // kept across exec
  execve(argv[0], argv, envp);
  _exit(127);
}

// Opens `path` for the child's stream `fd` (0: reading); -1 for "".
int open_for_child(const std::string &path, int fd) {
  if (path.empty()) return -1;
  const int opened = open(path.c_str(), (fd == 0 ? O_RDONLY : O_WRONLY | O_TRUNC) | O_CLOEXEC);
  if (opened < 0) throw std::runtime_error("cannot open " + path);
  return opened;
}

// The suite's thread count, PHOTOFILTER_TEST_THREADS (unset: 1), for the
// runs it starts and for the kernels it calls in this process.
int suite_threads() {
  static const int threads = [] {
    const char *value = std::getenv("PHOTOFILTER_TEST_THREADS");
    const int count = value != nullptr ? std::atoi(value) : 1;
    set_run_threads(count);
    return count;
  }();
  return threads;
}
const int kSuiteThreads = suite_threads();

// Whether a run of the suite works with its thread count: every run but
// those that ask for the help, the version or threads of their own.
bool takes_suite_threads(const std::vector<std::string> &args) {
  if (kSuiteThreads <= 1) return false;
  for (const char *own : {"-h", "--help", "--version", "--threads"}) {
    if (!args.empty() && args[0] == own) return false;
  }
  return true;
}

ProgramResult spawn(const std::vector<std::string> &args, int in_fd, const std::string &out_path,
                    const std::string &err_path, RunLimits limits = {}) {
  std::vector<std::string> words = {PHOTOFILTER_BINARY};
  if (takes_suite_threads(args)) {
    words.insert(words.end(), {"--threads", std::to_string(kSuiteThreads)});
  }
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char *> argv = pointers_to(words);
  std::vector<std::string> variables = child_environment(limits);
  std::vector<char *> envp = pointers_to(variables);
  const int fds[3] = {in_fd, open_for_child(out_path, 1), open_for_child(err_path, 2)};

  ProgramResult result;
  const pid_t pid = fork();
  if (pid == 0) exec_child(fds, limits, argv.data(), envp.data());
  for (int k = 1; k < 3; ++k) {
    if (fds[k] >= 0) close(fds[k]);
  }
  if (pid > 0) {
    int wait_status = 0;
    rusage usage = {};
    while (wait4(pid, &wait_status, 0, &usage) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(wait_status)) result.status = WEXITSTATUS(wait_status);
    result.cpu_seconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  }
  result.err = slurp(err_path);
  std::remove(err_path.c_str());
  return result;
}

// The same with standard input opened from `in_path` ("" leaves it closed).
ProgramResult spawn_on(const std::vector<std::string> &args, const std::string &in_path,
                       const std::string &out_path, const std::string &err_path,
                       RunLimits limits = {}) {
  const int in_fd = open_for_child(in_path, 0);
  ProgramResult result = spawn(args, in_fd, out_path, err_path, limits);
  if (in_fd >= 0) close(in_fd);
  return result;
}

}  // namespace

ProgramResult run_photofilter(const std::vector<std::string> &args, const std::string &input) {
  return run_photofilter_limited(args, input, RunLimits{});
}

ProgramResult run_photofilter_limited(const std::vector<std::string> &args,
                                      const std::string &input, RunLimits limits) {
  const std::string in_path = temp_path("in");
  const std::string out_path = temp_path("out");
  std::ofstream(in_path, std::ios::binary) << input;
  ProgramResult result = spawn_on(args, in_path, out_path, temp_path("err"), limits);
  result.out = slurp(out_path);
  std::remove(in_path.c_str());
  std::remove(out_path.c_str());
  return result;
}

ProgramResult run_photofilter_on(const std::vector<std::string> &args,
                                 const std::string &stdin_path, const std::string &stdout_path,
                                 RunLimits limits) {
  return spawn_on(args, stdin_path, stdout_path, temp_path("err"), limits);
}

ProgramResult run_photofilter_from(const std::vector<std::string> &args, int stdin_fd,
                                   RunLimits limits) {
  const std::string out_path = temp_path("out");
  ProgramResult result = spawn(args, stdin_fd, out_path, temp_path("err"), limits);
  result.out = slurp(out_path);
  std::remove(out_path.c_str());
  return result;
}

bool address_space_is_limited() { return kLimitsAddressSpace; }

std::string mask_times(const std::string &log) {
  static const std::regex times("total [0-9]+\\.[0-9]{2} this step [0-9]+\\.[0-9]{2} ");
  return std::regex_replace(log, times, "total T this step T ");
}

}  // namespace photofilter::testing
