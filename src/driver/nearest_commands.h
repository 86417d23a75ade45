// Help for a mistyped command word: the command words nearest to it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace photofilter {

// Up to three command words at the fewest single-character insertions,
// deletions and substitutions from `word`, two at the most, capitals not
// counted; ties keep the command table's order.
std::vector<std::string_view> nearest_command_words(std::string_view word);

// "photofilter --help lists the commands; nearest: -s, -ssc, -snr\n", or
// without the nearest words when none is that near.
std::string nearest_commands_line(std::string_view word);

}  // namespace photofilter
