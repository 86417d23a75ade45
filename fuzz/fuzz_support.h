// What both fuzz targets share: a log that goes nowhere, an output stream in
// memory, and the checks every run must pass.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace photofilter::fuzz {

// While it lives, the program's log on standard error is discarded, unless
// PHOTOFILTER_FUZZ_LOG is set (to read the log when replaying one input).
class SilencedLog {
 public:
  SilencedLog();
  ~SilencedLog();
  SilencedLog(const SilencedLog &) = delete;
  SilencedLog &operator=(const SilencedLog &) = delete;

 private:
  std::FILE *saved_;
};

// A write stream collecting its bytes in memory (open_memstream).
class MemoryOutput {
 public:
  MemoryOutput();
  ~MemoryOutput();
  MemoryOutput(const MemoryOutput &) = delete;
  MemoryOutput &operator=(const MemoryOutput &) = delete;

  std::FILE *stream() { return stream_; }
  // Call once the stream was closed by the code under test.
  void closed_elsewhere() { stream_ = nullptr; }
  // The bytes written so far.
  std::string bytes();

 private:
  std::FILE *stream_ = nullptr;
  char *buffer_ = nullptr;
  size_t size_ = 0;
};

// Stops the fuzzer with a finding (abort) when `holds` is false.
void require(bool holds, const char *what);

// Requires `bytes` to be one whole P6 image with maximum value 255.
void require_whole_image(const std::string &bytes);

}  // namespace photofilter::fuzz
