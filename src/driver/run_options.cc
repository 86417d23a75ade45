#include "driver/run_options.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "image/parallel.h"

namespace photofilter {
namespace {

// A whole number 0 or more, written in digits only; large ones count as
// kMostThreads.
bool read_thread_count(const char *text, int &threads) {
  if (*text == '\0') return false;
  long long value = 0;
  for (const char *c = text; *c != '\0'; ++c) {
    if (*c < '0' || *c > '9') return false;
    value = std::min<long long>(value * 10 + (*c - '0'), kMostThreads);
  }
  threads = value == 0 ? available_processors() : static_cast<int>(value);
  threads = std::min(threads, kMostThreads);
  return true;
}

}  // namespace

bool read_run_options(int argc, const char *const *argv, RunOptions &options) {
  int k = 1;
  for (; k < argc; ++k) {
    if (std::strcmp(argv[k], "--check") == 0) {
      options.check = true;
    } else if (std::strcmp(argv[k], "--threads") == 0) {
      const char *value = k + 1 < argc ? argv[k + 1] : "";
      if (!read_thread_count(value, options.threads)) {
        std::fprintf(stderr, "invalid option --threads %s: a whole number 0 or more\n", value);
        return false;
      }
      ++k;
    } else {
      break;
    }
  }
  options.first_pair = k;
  return true;
}

}  // namespace photofilter
