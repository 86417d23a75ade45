// The one list of the program's commands: word, handler, parameter
// synopsis, a one-line description, the family it belongs to and which way
// its main numbers act. Usage text comes from it.
#pragma once

#include <span>
#include <string_view>

#include "image/byte_image.h"
#include "image/image.h"

namespace photofilter {

// The families of commands and the order in which the usage text and the
// manual page list them.
enum class Family { color, noise, fringe, geometry, edge, unchanged };
inline constexpr Family kFamilies[] = {Family::color,    Family::noise, Family::fringe,
                                       Family::geometry, Family::edge,  Family::unchanged};

// The family's heading in the usage text and the manual page.
const char *family_heading(Family family);

// A handler scans its parameter word and transforms the image in place.
using Handler = void (*)(const char *word, Image &image);

// The command's plan alone, for a check of a command line: it logs the
// parameter lines the handler logs before it transforms, refuses
// (InvalidParameter, RunError) what the handler refuses on an image of
// this size, and leaves `image` with the size the command leaves. It reads
// and allocates no pixels.
using Checker = void (*)(const char *word, ImageHeader &image);

// The same command for an image still held as read, 3 bytes a pixel: it
// works on image.bytes(), or widens the image and applies the plain rule.
// `written_next` tells that the image is written right after the command,
// where every sample is clamped to a byte anyway.
using ByteHandler = void (*)(const char *word, WorkingImage &image, bool written_next);

struct Command {
  const char *word;         // matched by exact equality
  Handler handler;
  Checker check;
  const char *synopsis;     // the parameter word's fields, in scan order
  const char *description;  // one line for the usage text
  // Set for commands that can work on the image as read; the others get it
  // widened.
  ByteHandler on_bytes = nullptr;
  Family family = Family::unchanged;
  const char *direction = "";  // one line: which way the main numbers act
  // Set where the byte entry point gains only when the result is written
  // next: as the first of more commands the image is read as Pixels, which
  // widens it on the way in.
  bool bytes_only_when_written_next = false;
};

std::span<const Command> command_table();

// The first entry whose word equals `word` exactly, or nullptr.
const Command *find_command(std::string_view word);

}  // namespace photofilter
