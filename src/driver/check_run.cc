#include "driver/check_run.h"

#include <cstring>
#include <string_view>

#include "driver/command_pairs.h"
#include "image/errors.h"
#include "image/image.h"
#include "image/parameter_scan.h"
#include "image/ppm_header.h"

namespace photofilter {
namespace {

// Text after the fields the command's format reads is not read; the
// default word "x" is not meant to be.
void note_unread_text(const CommandPair &pair) {
  const std::string_view unread = unread_parameter_text();
  if (unread.empty() || std::strcmp(pair.parameter_word, kDefaultParameterWord) == 0) return;
  std::fprintf(stderr,
               "note: %s %s: text from \"%.*s\" on is not read; its fields keep their defaults\n",
               pair.command_word, pair.parameter_word, static_cast<int>(unread.size()),
               unread.data());
}

// Returns false after an unknown command word.
bool check_pairs(int argc, const char *const *argv, int first, ImageHeader &image) {
  for (const CommandPair &pair : command_pairs(argc, argv, first)) {
    const Command *command = find_announced_command(pair);
    if (command == nullptr) return false;
    forget_parameter_scan();
    try {
      command->check(pair.parameter_word, image);
    } catch (const InvalidParameter &reason) {
      throw rejected_parameter(pair, reason);
    }
    note_unread_text(pair);
    std::fprintf(stderr, "size after %s: %d %d\n", pair.command_word, image.nx, image.ny);
  }
  return true;
}

}  // namespace

int check_command_line(int argc, const char *const *argv, int first, std::FILE *in) {
  return exit_status_of([&] {
    ImageHeader image;
    read_header(image, in);
    if (!check_pairs(argc, argv, first, image)) return 1;
    std::fprintf(stderr, "output size %d %d\n", image.nx, image.ny);
    return 0;
  });
}

}  // namespace photofilter
