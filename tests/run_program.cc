#include "run_program.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

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

ProgramResult spawn(const std::vector<std::string> &args, const std::string &in_path,
                    const std::string &out_path, const std::string &err_path) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, in_path.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_TRUNC, 0);
  posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_TRUNC, 0);

  std::vector<char *> argv;
  std::string program = PHOTOFILTER_BINARY;
  argv.push_back(program.data());
  std::vector<std::string> words = args;
  for (std::string &word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  ProgramResult result;
  pid_t pid = 0;
  if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
    int wait_status = 0;
    waitpid(pid, &wait_status, 0);
    if (WIFEXITED(wait_status)) result.status = WEXITSTATUS(wait_status);
  }
  posix_spawn_file_actions_destroy(&actions);
  result.err = slurp(err_path);
  std::remove(err_path.c_str());
  return result;
}

}  // namespace

ProgramResult run_photofilter(const std::vector<std::string> &args, const std::string &input) {
  const std::string in_path = temp_path("in");
  const std::string out_path = temp_path("out");
  std::ofstream(in_path, std::ios::binary) << input;
  ProgramResult result = spawn(args, in_path, out_path, temp_path("err"));
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
