// The growing blur cycles shared by the full and the colour noise
// reduction: cycle k of n blurs with radius k * last_radius / n, so the
// radius grows in equal steps up to last_radius.
#pragma once

#include <cstdint>

#include "image/image.h"

namespace photofilter {

// k * last_radius / n truncated toward zero; a radius of 0 becomes 1 (a
// negative one stays, and the kernel treats it as 0).
int32_t cycle_radius(int cycle, int cycles, int last_radius);

// A weight above 0.99 is handed to the kernel negated, which selects its
// step mode with the step trunc(0.999 + weight).
inline double blur_weight(double weight) { return weight > 0.99 ? -weight : weight; }

// Runs `cycles` blur cycles on `image`, logging each cycle's radius and
// ending each with a step line labelled `label`.
void run_blur_cycles(Image &image, int cycles, int last_radius, double weight,
                     const char *label);

}  // namespace photofilter
