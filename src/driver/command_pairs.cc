#include "driver/command_pairs.h"

#include <cstdio>

#include "driver/nearest_commands.h"

namespace photofilter {

std::vector<CommandPair> command_pairs(int argc, const char *const *argv, int first) {
  std::vector<CommandPair> pairs;
  for (int k = first; k < argc; k += 2) {
    const bool last = k + 2 >= argc;
    pairs.push_back({argv[k], k + 1 < argc ? argv[k + 1] : kDefaultParameterWord, last});
  }
  return pairs;
}

const Command *find_announced_command(const CommandPair &pair) {
  std::fprintf(stderr, "cmd %s, par %s\n", pair.command_word, pair.parameter_word);
  const Command *command = find_command(pair.command_word);
  if (command == nullptr) {
    std::fprintf(stderr, "invalid command %s %s\n", pair.command_word, pair.parameter_word);
    std::fputs(nearest_commands_line(pair.command_word).c_str(), stderr);
  }
  return command;
}

RunError rejected_parameter(const CommandPair &pair, const InvalidParameter &reason) {
  return RunError(format_message("invalid parameter %s %s: %s\n", pair.command_word,
                                 pair.parameter_word, reason.what()));
}

}  // namespace photofilter
