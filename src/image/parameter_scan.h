// Scanning a command's parameter word with the command's one fixed format,
// and what the scan left unread.
#pragma once

#include <string_view>

namespace photofilter {

// std::sscanf(word, format, ...): the fields are assigned in order until
// one does not match, and the rest keep the values they had; returns what
// std::sscanf returns. It also notes how far the scan read `word`: up to
// the end of the last field assigned and the separators after it that
// matched.
int scan_parameters(const char *word, const char *format, ...)
    __attribute__((format(scanf, 2, 3)));

// The text of the last word scanned that the scan did not read (empty when
// it read the whole word), and a fresh start before the next command.
std::string_view unread_parameter_text();
void forget_parameter_scan();

}  // namespace photofilter
