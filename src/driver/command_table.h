// The one list of the program's commands: word, handler, parameter
// synopsis and a one-line description. Usage text comes from it.
#pragma once

#include <span>
#include <string_view>

#include "image/byte_image.h"
#include "image/image.h"

namespace photofilter {

// A handler scans its parameter word and transforms the image in place.
using Handler = void (*)(const char *word, Image &image);

// The same command for an image still held as read, 3 bytes a pixel: it
// works on image.bytes(), or widens the image and applies the plain rule.
// `written_next` tells that the image is written right after the command,
// where every sample is clamped to a byte anyway.
using ByteHandler = void (*)(const char *word, WorkingImage &image, bool written_next);

struct Command {
  const char *word;         // matched by exact equality
  Handler handler;
  const char *synopsis;     // the parameter word's fields, in scan order
  const char *description;  // one line for the usage text
  // Set for commands that can work on the image as read; the others get it
  // widened.
  ByteHandler on_bytes = nullptr;
};

std::span<const Command> command_table();

// The first entry whose word equals `word` exactly, or nullptr.
const Command *find_command(std::string_view word);

}  // namespace photofilter
