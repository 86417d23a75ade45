// The command list of the usage text.
#pragma once

#include <cstdio>

namespace photofilter {

// Writes the commands of the command table under one heading per family,
// in the order of kFamilies and within a family in the table's order: each
// with its parameter word, what it does and which way its numbers act.
void print_commands_by_family(std::FILE *to);

}  // namespace photofilter
