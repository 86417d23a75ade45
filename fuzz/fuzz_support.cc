#include "fuzz_support.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>

// Allocations beyond 512 MiB fail (the program then reports "out of
// memory") instead of ending the fuzzer: a header may promise any size.
extern "C" const char *__asan_default_options() {
  return "allocator_may_return_null=1:max_allocation_size_mb=512";
}

namespace photofilter::fuzz {
namespace {

ssize_t discard(void *, const char *, size_t size) { return static_cast<ssize_t>(size); }

std::FILE *log_sink() {
  static std::FILE *sink = fopencookie(nullptr, "w", {nullptr, discard, nullptr, nullptr});
  return sink;
}

}  // namespace

SilencedLog::SilencedLog() : saved_(stderr) {
  if (std::getenv("PHOTOFILTER_FUZZ_LOG") == nullptr) stderr = log_sink();
}

SilencedLog::~SilencedLog() { stderr = saved_; }

MemoryOutput::MemoryOutput() : stream_(open_memstream(&buffer_, &size_)) {
  require(stream_ != nullptr, "open_memstream failed");
}

MemoryOutput::~MemoryOutput() {
  if (stream_ != nullptr) std::fclose(stream_);
  std::free(buffer_);
}

std::string MemoryOutput::bytes() {
  if (stream_ != nullptr) std::fflush(stream_);
  return std::string(buffer_ != nullptr ? buffer_ : "", size_);
}

void require(bool holds, const char *what) {
  if (holds) return;
  // Straight to the descriptor: the stream may be silenced.
  const ssize_t ignored = write(2, what, std::strlen(what));
  (void)ignored;
  std::abort();
}

void require_whole_image(const std::string &bytes) {
  int nx = -1, ny = -1;
  std::sscanf(bytes.c_str(), "P6\n%d %d", &nx, &ny);
  require(nx >= 0 && ny >= 0, "output does not start with a P6 header\n");
  const std::string header = "P6\n" + std::to_string(nx) + " " + std::to_string(ny) + "\n255\n";
  require(bytes.compare(0, header.size(), header) == 0, "output header is malformed\n");
  require(bytes.size() == header.size() + size_t{3} * nx * ny, "output is not one whole image\n");
}

}  // namespace photofilter::fuzz
