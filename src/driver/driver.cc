#include "driver/driver.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "driver/check_run.h"
#include "driver/command_pairs.h"
#include "driver/command_table.h"
#include "driver/run_options.h"
#include "driver/usage.h"
#include "image/errors.h"
#include "image/image.h"
#include "image/parallel.h"
#include "image/ppm_io.h"
#include "image/step_timer.h"

namespace photofilter {
namespace {


void print_banner() {
  std::fprintf(stderr, "photofilter %s\n", PHOTOFILTER_VERSION);
  std::fprintf(stderr,
               "photo filter for pipelines: a P6 or P5 image on stdin, P6 on stdout\n");
  std::fprintf(stderr, "usage: photofilter [command parameters]... < in.ppm > out.ppm\n");
}

void print_usage(std::FILE *to) {
  std::fputs(
      "usage: photofilter [--threads N] [command parameters]... < in.ppm > out.ppm\n"
      "       photofilter --check [command parameters]... < in.ppm\n"
      "       photofilter -h | --help | --version\n"
      "\n"
      "Reads one binary Netpbm image (P6 colour or P5 grey, 8 or 16 bits per\n"
      "sample) on standard input, applies the commands in the order given and\n"
      "writes a P6 image with maximum value 255 on standard output. Each command\n"
      "word takes one parameter word of comma-separated numbers; numbers left out\n"
      "keep the defaults shown (w and h are the image's width and height), and a\n"
      "command word given last keeps them all. Every step's parameters and CPU\n"
      "time are logged on standard error.\n"
      "\n"
      "--check reads the image's header only and walks the commands as a run\n"
      "would: it logs each command's parameter lines, a note on text of a\n"
      "parameter word that is not read, and the size each command leaves, and\n"
      "ends with the error a run would end with. It writes nothing on standard\n"
      "output.\n"
      "\n"
      "--threads N works with N threads (0: one for each processor the run may\n"
      "use; without the option, one); the output and the log are the same for\n"
      "any N, except that the step lines report the CPU time of all threads.\n"
      "\n"
      "commands, by family:\n",
      to);
  print_commands_by_family(to);
  std::fputs(
      "\n"
      "examples:\n"
      "  jpegtopnm photo.jpg | photofilter -co 0.04,0,-0.02 -nr 2 | pnmtopng > out.png\n"
      "  photofilter -rfc 1 -bfc 1 -ec 1.5,2 < in.ppm > out.ppm 2> steps.log\n"
      "  photofilter -cr -3,-2 -sc -1200,-800 -fr 0.9 < in.ppm > framed.ppm\n"
      "  head -c 200 in.ppm | photofilter --check -cr -3,-2 -sc -1200,-800 -fr 0.9\n"
      "\n"
      "exit status:\n"
      "  0  the image was written (--check: every command was accepted)\n"
      "  1  bad or truncated input, an unknown command word, a rejected parameter,\n"
      "     lack of memory, a write error, or a terminal on\n"
      "     standard input or output; a message on standard error says which,\n"
      "     and no image is written (a write error can leave part of one)\n",
      to);
}

// Flushes and closes standard output after the help or version text.
// Returns the exit status: 1, with "write error: <reason>", when a write or
// the close failed.
int close_text_output(std::FILE *out) {
  int error = std::ferror(out) ? errno : 0;
  if (std::fflush(out) != 0 && error == 0) error = errno;
  if (std::fclose(out) != 0 && error == 0) error = errno;
  if (error == 0) return 0;
  std::fprintf(stderr, "write error: %s\n", std::strerror(error));
  return 1;
}

// Handles the arguments and terminal checks that end the run before any
// image is read. Returns -1 when the run should go on.
int answer_without_image(int argc, const char *const *argv, const RunOptions &options,
                         std::FILE *in, std::FILE *out) {
  if (argc >= 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0)) {
    print_usage(out);
    return close_text_output(out);
  }
  if (argc >= 2 && std::strcmp(argv[1], "--version") == 0) {
    std::fprintf(out, "photofilter %s\n", PHOTOFILTER_VERSION);
    return close_text_output(out);
  }
  if (isatty(fileno(in))) {
    print_usage(stderr);
    return 1;
  }
  // A check writes nothing on standard output.
  if (!options.check && isatty(fileno(out))) {
    std::fprintf(stderr, "image data not written to a terminal; redirect standard output\n");
    return 1;
  }
  return -1;
}

// The image is kept as read, 3 bytes a pixel, while the commands can work
// on it so.
WorkingImage read_working_image(const CommandPair &first_pair, std::FILE *in) {
  const Command *first = find_command(first_pair.command_word);
  if (first != nullptr && first->on_bytes != nullptr &&
      (first_pair.last || !first->bytes_only_when_written_next)) {
    ByteImage image;
    read_byte_image(image, in);
    return WorkingImage(std::move(image));
  }
  Image image;
  read_image(image, in);
  return WorkingImage(std::move(image));
}

void run_command(const Command &command, const char *parameter_word, WorkingImage &image,
                 bool written_next) {
  if (command.on_bytes != nullptr && image.holds_bytes()) {
    command.on_bytes(parameter_word, image, written_next);
  } else {
    command.handler(parameter_word, image.widened());
  }
}

// Applies the command pairs in order. Returns false after an unknown
// command word, which ends the run without an image.
bool apply_commands(int argc, const char *const *argv, int first, WorkingImage &image) {
  for (const CommandPair &pair : command_pairs(argc, argv, first)) {
    const Command *command = find_announced_command(pair);
    if (command == nullptr) return false;
    try {
      run_command(*command, pair.parameter_word, image, pair.last);
    } catch (const InvalidParameter &reason) {
      throw rejected_parameter(pair, reason);
    }
  }
  return true;
}

void write_working_image(WorkingImage &image, std::FILE *out) {
  if (image.holds_bytes()) {
    write_byte_image(image.bytes(), out);
  } else {
    write_image(image.widened(), out);
  }
}

// A run without commands writes the image as it came in: 8-bit colour
// from a file is copied through in blocks, anything else read whole.
void copy_image_unchanged(std::FILE *in, std::FILE *out) {
  ByteImage image;
  const bool copy_through = read_image_for_copy(image, in);
  step_timer("start after read file");
  if (copy_through) {
    write_image_copied_from(image, in, out);
  } else {
    write_byte_image(image, out);
  }
  step_timer("save and exit");
}

}  // namespace

int run(int argc, const char *const *argv, std::FILE *in, std::FILE *out) {
  RunOptions options;
  const bool help_or_version = argc >= 2 && (std::strcmp(argv[1], "-h") == 0 ||
                                             std::strcmp(argv[1], "--help") == 0 ||
                                             std::strcmp(argv[1], "--version") == 0);
  if (!help_or_version && !read_run_options(argc, argv, options)) return 1;
  const int early_status = answer_without_image(argc, argv, options, in, out);
  if (early_status >= 0) return early_status;
  const int first = options.first_pair;
  if (options.check) return check_command_line(argc, argv, first, in);
  set_run_threads(options.threads);
  print_banner();
  return exit_status_of([&] {
    if (first >= argc) {
      copy_image_unchanged(in, out);
      return 0;
    }
    WorkingImage image = read_working_image(command_pairs(argc, argv, first).front(), in);
    step_timer("start after read file");
    if (!apply_commands(argc, argv, first, image)) return 1;
    write_working_image(image, out);
    step_timer("save and exit");
    return 0;
  });
}

}  // namespace photofilter
