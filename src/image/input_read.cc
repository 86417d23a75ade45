#include "image/input_read.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "image/errors.h"

namespace photofilter {
namespace {

[[noreturn]] void throw_read_error(int error) {
  throw RunError(format_message("read file error: %s\n", std::strerror(error)));
}

// After a read of `in` failed with `error`: returns when reading can go on
// (the read was interrupted, or data has come on a non-blocking
// descriptor), with the stream's error flag cleared; throws otherwise.
void recover_from(std::FILE *in, int error) {
  if (error == 0) error = EIO;  // a failure that left no reason
  if (error != EINTR && error != EAGAIN && error != EWOULDBLOCK) throw_read_error(error);
  if (error != EINTR) {
    pollfd wanted = {fileno(in), POLLIN, 0};
    while (poll(&wanted, 1, -1) < 0) {
      if (errno != EINTR) throw_read_error(errno);
    }
  }
  std::clearerr(in);
}

}  // namespace

size_t read_input(std::FILE *in, void *buffer, size_t count) {
  auto *bytes = static_cast<unsigned char *>(buffer);
  size_t done = 0;
  while (done < count) {
    errno = 0;
    done += std::fread(bytes + done, 1, count - done, in);
    if (done == count || !std::ferror(in)) break;  // all of it, or the end of input
    recover_from(in, errno);
  }
  return done;
}

size_t read_file_at(std::FILE *in, void *buffer, size_t count, int64_t offset) {
  auto *bytes = static_cast<unsigned char *>(buffer);
  size_t done = 0;
  while (done < count) {
    const ssize_t got = pread(fileno(in), bytes + done, count - done,
                              static_cast<off_t>(offset + static_cast<int64_t>(done)));
    if (got == 0) break;  // the end of the file
    if (got > 0) {
      done += static_cast<size_t>(got);
    } else if (errno != EINTR) {
      throw_read_error(errno);
    }
  }
  return done;
}

int read_input_byte(std::FILE *in) {
  for (;;) {
    errno = 0;
    const int c = std::getc(in);
    if (c != EOF || !std::ferror(in)) return c;
    recover_from(in, errno);
  }
}

}  // namespace photofilter
