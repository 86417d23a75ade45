// The rules of the fringe corrections in plain code: every test a quotient
// formed in extended precision at the visit, as the commands define them.
// The handlers run faster paths that equal these (fringe_verdicts.h,
// rfc1_rows.h, fringe_quotients.h).
#pragma once

#include <cstdint>

#include "filters/fringe/fringe_grid.h"
#include "image/image.h"
#include "image/window_statistics.h"

namespace photofilter {

// What tells "-rfc" and "-bfc" apart.
struct RedFringe {
  static constexpr int16_t Pixel::*fringe = &Pixel::r;
  static constexpr int16_t Pixel::*opposite = &Pixel::b;
  static constexpr bool share_of_centre = true;  // else the window pixel's own share
  static constexpr const char *tag = "krc";
  static constexpr const char *step_label = "red frings correction";
};

struct BlueFringe {
  static constexpr int16_t Pixel::*fringe = &Pixel::b;
  static constexpr int16_t Pixel::*opposite = &Pixel::r;
  static constexpr bool share_of_centre = false;
  static constexpr const char *tag = "kbc";
  static constexpr const char *step_label = "blue frings correction";
};

// n / d in extended precision, IEEE division by zero included.
inline long double quotient(int32_t n, int32_t d) { return static_cast<long double>(n) / d; }

// 3 c / (r + g + b + 1) of the channel c.
inline long double share(const Pixel &p, int16_t Pixel::*channel) {
  return quotient(3 * int32_t{p.*channel}, int32_t{p.r} + p.g + p.b + 1);
}

// A centre is worked on unless slimit > g / 255.
inline bool bright_enough(double slimit, int32_t g) { return !(slimit > quotient(g, 255)); }

inline bool too_green(int32_t g) { return quotient(g, 255) > 0.6; }

// "-rfc1": a window pixel of channel sum s is a candidate unless
// s / 765 >= limit, and is never corrected when s / 765 > 0.6.
inline bool darker_than(int32_t sum, long double limit) { return !(quotient(sum, 765) >= limit); }
inline bool too_bright(int32_t sum) { return quotient(sum, 765) > 0.6; }

// The statistics window of half-size `radius` around (x, y), clipped to
// the image and read every 2 radius pixels from its low corner; a radius
// of 0 reads the centre alone.
WindowStatistics sampled_statistics(const Image &image, int32_t x, int32_t y, int64_t radius);

// The dark test of "-rfc" and "-bfc": the darkest sampled pixel (by
// r + g + b) must not exceed the centre's green times (slimit + 1) / 2.
bool has_dark_pixel(const WindowStatistics &statistics, const Pixel &centre, double slimit);

// The four tests that leave a window pixel p alone, with cfak = 0.5 /
// factor + 1.01 and `share` the red share of the centre ("-rfc") or p's own
// blue share ("-bfc"):
//   share < cfak and fringe / (g + 1) < cfak - 0.2,
//   fringe / (opposite + 1) < cfak - 0.5,
//   r / (g + 1) < 0.4,
//   g / 255 > 0.6.
template <typename Fringe>
bool leaves_alone(const Pixel &p, long double centre_share, double cfak);

// trunc((c + 0.5 m) / 1.5): the new fringe sample c, m the smallest of p
// and its four diagonal neighbours.
int16_t pulled_towards(int16_t c, int16_t m);

// "-rfc" and "-bfc" after their plan: around every centre whose green is
// bright enough and whose sampled neighbourhood holds a dark pixel, each
// window pixel that passes the tests is pulled towards its diagonal
// minimum, in place, window rows top to bottom, each left to right.
template <typename Fringe>
void correct_fringes(Image &image, const FringeCorrectionPlan &plan);

// trunc((r + r_min) * 0.5): the new red of an "-rfc1" pixel.
int16_t mean_with_minimum(int32_t r, int32_t r_min);

// The statistics of the four diagonal neighbours of (i, j): rows j - 1 and
// j + 1 and columns i - 1 and i + 1, clipped to the image.
WindowStatistics diagonal_statistics(const Image &image, int32_t i, int32_t j);

// "-rfc1" after its plan: around every centre whose green is bright
// enough, each window pixel darker than slimit times the centre's level
// (r + g + b) / 765, not too bright and whose red is not below its
// diagonal minimum gets mean_with_minimum. Returns the corrections made.
int64_t correct_rfc1(Image &image, const FringeParameters &parameters);

}  // namespace photofilter
