// Reads from standard input the way a pipeline needs: past interrupted
// reads and past "no data yet" on a non-blocking descriptor, and with a
// failed read named by the system's own text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace photofilter {

// Reads up to `count` bytes into `buffer` like fread. A read interrupted by
// a signal is retried; one that finds no data yet on a non-blocking
// descriptor waits for data with poll and goes on. Returns fewer than
// `count` only at the end of input. Throws RunError "read file error:
// <reason>" when a read fails.
size_t read_input(std::FILE *in, void *buffer, size_t count);

// Reads up to `count` bytes of the regular file `in` reads from, starting
// `offset` bytes into the file, without moving the stream's position (so
// parts of a file can be read at once from several threads). An
// interrupted read is retried. Returns fewer than `count` only at the end
// of the file; throws RunError "read file error: <reason>" when a read
// fails.
size_t read_file_at(std::FILE *in, void *buffer, size_t count, int64_t offset);

// The next byte of `in` (0..255), or EOF at the end of input; reads and
// fails like read_input.
int read_input_byte(std::FILE *in);

}  // namespace photofilter
