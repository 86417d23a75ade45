// The one list of the program's commands: word, handler, parameter
// synopsis and a one-line description. Usage text comes from it.
#pragma once

#include <span>
#include <string_view>

#include "image/image.h"

namespace photofilter {

// A handler scans its parameter word and transforms the image in place.
using Handler = void (*)(const char *word, Image &image);

struct Command {
  const char *word;         // matched by exact equality
  Handler handler;          // nullptr while the command is not built yet
  const char *synopsis;     // the parameter word's fields, in scan order
  const char *description;  // one line for the usage text
  // The handler takes an image still packed as read (Image::packed) and
  // widens it itself where it must; other handlers get it widened.
  bool takes_packed_image = false;
};

std::span<const Command> command_table();

// The first entry whose word equals `word` exactly, or nullptr.
const Command *find_command(std::string_view word);

}  // namespace photofilter
