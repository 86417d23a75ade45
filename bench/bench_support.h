// What every benchmark shares: a 24-megapixel photo-like image, a fresh
// copy of it for each run, the megapixels-per-second counter, and a quiet
// standard error for handlers that log.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>

#include "image/image.h"

namespace photofilter::bench {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

// Gradients, texture and noise on a mostly dark ground, with bright
// highlights rimmed by red or blue fringes every few hundred pixels, so
// that the noise reductions and the fringe corrections do real work.
// Samples 0..255, aux 0.
const Image &photo();

// The working image reset to the photo, outside the timed part of a run.
Image &fresh_copy(benchmark::State &state);

// Reports the rate of the photo's megapixels per run.
void report_megapixels(benchmark::State &state);

// Sends standard error to /dev/null while it lives, so that handlers'
// log lines cost what they cost in a run but do not flood the console.
class QuietStderr {
 public:
  QuietStderr();
  ~QuietStderr();
  QuietStderr(const QuietStderr &) = delete;
  QuietStderr &operator=(const QuietStderr &) = delete;

 private:
  std::FILE *saved_;
};

// Runs a command handler on a fresh copy of the photo for every iteration.
void run_handler(benchmark::State &state, void (*handler)(const char *, Image &),
                 const char *word);

}  // namespace photofilter::bench
