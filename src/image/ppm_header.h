// Reading the header of a binary P6 or P5 file: the magic line, the size
// line and the depth line, each of which may be preceded by comment lines.
#pragma once

#include <cstdint>
#include <cstdio>

#include "image/image.h"

namespace photofilter {

enum class Channels { grey, colour };

// The most header bytes, comment lines included, that a reader takes.
constexpr int64_t kMaxHeaderBytes = int64_t{1} << 20;

// Reads the header from `in` into image.header_line, nx, ny and depth, logs
// "rgb read file <nx> <ny> <depth>" and checks the three numbers; leaves
// `in` at the first byte of pixel data. The magic, size and depth lines end
// at their line feed or after their first 199 characters, as a line read of
// 200 bytes does; a comment line (one that begins with '#') is skipped
// whole, however long. Throws RunError for a bad header, one longer than
// kMaxHeaderBytes, the end of input within it, or a failed read. A magic
// line that is neither "P6\n" nor "P5\n" is quoted with every byte outside
// printable ASCII as \xNN, and the kind of file it begins, when known, is
// named with a Netpbm program that converts it.
Channels read_header(ImageHeader &image, std::FILE *in);

}  // namespace photofilter
