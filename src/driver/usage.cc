#include "driver/usage.h"

#include "driver/command_table.h"

namespace photofilter {
namespace {

// Said once for the colour family instead of with each of its commands.
constexpr const char *kColorChannelRule =
    "  (the first value applies to all three channels unless all three are given)\n";

void print_command(std::FILE *to, const Command &command) {
  std::fprintf(to, "  %-6s %s\n         %s\n         %s\n", command.word, command.synopsis,
               command.description, command.direction);
}

}  // namespace

void print_commands_by_family(std::FILE *to) {
  for (const Family family : kFamilies) {
    std::fprintf(to, "%s%s:\n", family == kFamilies[0] ? "" : "\n", family_heading(family));
    if (family == Family::color) std::fputs(kColorChannelRule, to);
    for (const Command &command : command_table()) {
      if (command.family == family) print_command(to, command);
    }
  }
}

}  // namespace photofilter
