#include "image/parameter_scan.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

namespace photofilter {
namespace {

struct LastScan {
  const char *word = nullptr;
  size_t read = 0;
};
LastScan last_scan;

// The end of the conversion that starts at format[at] ('%'): flags, width,
// length and the conversion letter; "%[...]" does not occur in the
// formats of the commands.
size_t conversion_end(const char *format, size_t at) {
  size_t end = at + 1;
  while (format[end] != '\0' && std::strchr("*0123456789hlLqjzt", format[end]) != nullptr) {
    ++end;
  }
  return format[end] == '\0' ? end : end + 1;
}

// The first `fields` conversions of `format` with their assignments
// suppressed, the text between them, and, when `with_separators`, the
// literal text after the last of them up to the next conversion.
std::string prefix_of(const char *format, int fields, bool with_separators) {
  std::string prefix;
  int seen = 0;
  for (size_t at = 0; format[at] != '\0';) {
    if (format[at] == '%' && format[at + 1] == '%') {
      prefix += "%%";
      at += 2;
      continue;
    }
    if (format[at] != '%') {
      if (seen == fields && !with_separators) break;
      prefix += format[at++];
      continue;
    }
    if (seen == fields) break;
    const size_t end = conversion_end(format, at);
    prefix += '%';
    if (format[at + 1] != '*') prefix += '*';
    prefix.append(format + at + 1, end - at - 1);
    at = end;
    ++seen;
  }
  return prefix;
}

// How many characters of `word` the scan read: the same prefix of the
// format scanned again, with "%n" after it. The separators after the last
// field count when they matched.
size_t characters_read(const char *word, const char *format, int fields) {
  for (const bool with_separators : {true, false}) {
    int read = -1;
    const std::string probe = prefix_of(format, fields, with_separators) + "%n";
    std::sscanf(word, probe.c_str(), &read);
    if (read >= 0) return static_cast<size_t>(read);
  }
  return 0;
}

}  // namespace

int scan_parameters(const char *word, const char *format, ...) {
  va_list fields;
  va_start(fields, format);
  const int assigned = std::vsscanf(word, format, fields);
  va_end(fields);
  last_scan = {word, characters_read(word, format, assigned > 0 ? assigned : 0)};
  return assigned;
}

std::string_view unread_parameter_text() {
  if (last_scan.word == nullptr) return {};
  return std::string_view(last_scan.word).substr(last_scan.read);
}

void forget_parameter_scan() { last_scan = {}; }

}  // namespace photofilter
