// The plans of the noise-reduction commands: each sets its defaults, scans
// the parameter word, makes the replacements its command states and logs
// the parameter line, and returns the parameters its transformation uses.
#pragma once

#include <cstdint>

#include "image/image.h"

namespace photofilter {

struct SmoothPlan {
  int cycles = 1;
  int average = 1;  // the blur radius
  double weight = 1.0;
};
SmoothPlan plan_smooth(const char *word);  // "-s"

// Each cycle takes one column and one row until the image is empty, so of
// the cycles asked for, min(cycles, nx, ny) are run.
struct Blur2Plan {
  int cycles = 1;  // as scanned
  int32_t cycles_run = 0;
  int32_t new_nx = 0, new_ny = 0;
};
Blur2Plan plan_blur2(const char *word, const ImageHeader &image);  // "-b2"

struct ColorNoiseReductionPlan {
  int cycles = 2;
  int radius = 20;  // of the last cycle
  double weight = 1.0;
};
ColorNoiseReductionPlan plan_color_noise_reduction(const char *word);  // "-cnr"

struct SimpleNoiseReductionPlan {
  int colour_radius = 10;
  int structure_radius = 0;  // 0 or less: colour_radius / 4 + 1
  int colour_step = 1;
  int structure_step = 3;
};
SimpleNoiseReductionPlan plan_simple_noise_reduction(const char *word);  // "-snr"

struct FnrNoiseReductionPlan {
  int radius = 0;  // 0 or less: 5
  int r_step = 1;
  int g_step = -1;  // negative: r_step
  int b_step = -1;  // negative: r_step
  int cycles = 1;
};
FnrNoiseReductionPlan plan_fnr_noise_reduction(const char *word);  // "-fnr"

struct NoiseReductionPlan {
  int cycles = 1;
  int average = 10;  // radius of the last cycle; 0: cycles
  double contour = 1.0;
  double weight = 1.0;
  int max = 255;  // full scale of the gamma and contour stages; 0: 255
  int dither = 1;
};
NoiseReductionPlan plan_noise_reduction(const char *word);  // "-nr"

// Single pixel removal: the mode character and what it selects.
struct SinglePixelRemovalPlan {
  char mode = ' ';          // an empty word selects no mode
  bool light = false;       // l, b: pixels brighter than their whole ring
  bool dark = false;        // d, b: pixels darker than their whole ring
  bool horizontal = false;  // x: extremes between the left and right neighbour
};
SinglePixelRemovalPlan plan_single_pixel_removal(const char *word);  // "-spr"

}  // namespace photofilter
