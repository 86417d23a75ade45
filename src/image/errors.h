// The two ways a run can fail. The driver catches both, prints the message
// on standard error and ends with status 1 without writing an image.
#pragma once

#include <stdexcept>
#include <string>

namespace photofilter {

// A failure whose message is complete as it stands, line feed included
// ("read file error: ...", "out of memory: ...", "write error: ...").
class RunError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A handler refusing a parameter; the driver adds the command word and the
// parameter word to the reason.
class InvalidParameter : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// printf-style formatting into a std::string, for error messages.
std::string format_message(const char *format, ...)
    __attribute__((format(printf, 1, 2)));

}  // namespace photofilter
