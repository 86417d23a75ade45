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
[[noreturn]] void exec_child(const char *in_path, const char *out_path, const char *err_path,
                             RunLimits limits, char **argv, char **envp) {
  const char *paths[] = {in_path, out_path, err_path};
  for (int fd = 0; fd < 3; ++fd) {
    const int opened = open(paths[fd], fd == 0 ? O_RDONLY : O_WRONLY | O_TRUNC);
    if (opened < 0 || dup2(opened, fd) < 0) _exit(126);
    if (opened != fd) close(opened);
  }
  if (limits.cpu_seconds > 0) {
    const rlimit cpu = {rlim_t(limits.cpu_seconds), rlim_t(limits.cpu_seconds) + 1};
    setrlimit(RLIMIT_CPU, &cpu);
  }
  if (!kAddressSanitizer && limits.memory_mb > 0) {
    const rlim_t bytes = rlim_t(limits.memory_mb) << 20;
    const rlimit memory = {bytes, bytes};
    setrlimit(RLIMIT_AS, &memory);
  }
  execve(argv[0], argv, envp);
  _exit(127);
}

ProgramResult spawn(const std::vector<std::string> &args, const std::string &in_path,
                    const std::string &out_path, const std::string &err_path,
                    RunLimits limits = {}) {
  std::vector<std::string> words = {PHOTOFILTER_BINARY};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char *> argv = pointers_to(words);
  std::vector<std::string> variables = child_environment(limits);
  std::vector<char *> envp = pointers_to(variables);

  ProgramResult result;
  const pid_t pid = fork();
  if (pid == 0) {
    exec_child(in_path.c_str(), out_path.c_str(), err_path.c_str(), limits, argv.data(),
               envp.data());
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

}  // namespace

ProgramResult run_photofilter(const std::vector<std::string> &args, const std::string &input) {
  return run_photofilter_limited(args, input, RunLimits{});
}

ProgramResult run_photofilter_limited(const std::vector<std::string> &args,
                                      const std::string &input, RunLimits limits) {
  const std::string in_path = temp_path("in");
  const std::string out_path = temp_path("out");
  std::ofstream(in_path, std::ios::binary) << input;
  ProgramResult result = spawn(args, in_path, out_path, temp_path("err"), limits);
  result.out = slurp(out_path);
  std::remove(in_path.c_str());
  std::remove(out_path.c_str());
  return result;
}

ProgramResult run_photofilter_on(const std::vector<std::string> &args,
                                 const std::string &stdin_path, const std::string &stdout_path) {
  return spawn(args, stdin_path, stdout_path, temp_path("err"));
}

std::string mask_times(const std::string &log) {
  static const std::regex times("total [0-9]+\\.[0-9]{2} this step [0-9]+\\.[0-9]{2} ");
  return std::regex_replace(log, times, "total T this step T ");
}

}  // namespace photofilter::testing
