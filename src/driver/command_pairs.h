// The command line's pairs of a command word and its parameter word, as a
// real run and a check walk them, and the one way either ends on an error.
#pragma once

#include <cstdio>
#include <new>
#include <vector>

#include "driver/command_table.h"
#include "image/errors.h"

namespace photofilter {

// The parameter word of a command word given last: it assigns nothing.
constexpr const char *kDefaultParameterWord = "x";

struct CommandPair {
  const char *command_word;
  const char *parameter_word;
  bool last;  // no pair follows
};

// The pairs from argv[first] on.
std::vector<CommandPair> command_pairs(int argc, const char *const *argv, int first);

// Logs "cmd %s, par %s" and finds the command word. An unknown word is
// logged with "invalid command %s %s" and a line naming --help and the
// nearest command words; the result is nullptr then.
const Command *find_announced_command(const CommandPair &pair);

// The error that ends a run whose command refused its parameter word.
RunError rejected_parameter(const CommandPair &pair, const InvalidParameter &reason);

// The exit status `body` returns; a RunError or lack of memory on the way
// is printed on standard error and gives 1.
template <typename Body>
int exit_status_of(Body body) {
  try {
    return body();
  } catch (const RunError &error) {
    std::fputs(error.what(), stderr);
  } catch (const std::bad_alloc &) {
    std::fputs("out of memory: working storage of a command\n", stderr);
  }
  return 1;
}

}  // namespace photofilter
