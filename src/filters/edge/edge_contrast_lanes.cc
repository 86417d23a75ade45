// The pixel pass of "-ec" and "-ec1" in double, four pixels at a time in
// AVX lanes.
//
// scale_row_in_lanes gives exactly what scale_row_plainly gives, sample for
// sample, for every row and every gain. The rule is defined in extended
// precision, which costs x87 divisions and products per pixel; here each
// factor and product is worked out in double together with a bound on how
// far it can lie from the extended one (the proof stands at
// factor_error_bound and truncation_is_certain below). The double result of
// a pixel is stored only where that distance cannot change a stored sample:
// - its factor is exactly 1 in both precisions (equal sums, or a black
//   pixel that "-ec" keeps), or lies beyond a clamp limit by more than the
//   bound, so that both precisions clamp it to the same exact limit;
// - or its factor lies inside the clamp limits by more than the bound and
//   each of its three products lies at least the product tolerance away
//   from the nearest integer, so that both precisions truncate alike.
// Every other pixel (a product near a truncation step, a factor near a
// clamp limit) is redone by scale_pixel_plainly. A gain that is infinite or
// NaN leaves the bounds without meaning: such a row goes to
// scale_row_plainly whole. A gain of 0 makes every factor exactly 1,
// (v + 0)/v or 0/t + 1, and leaves the row as it is.
#include "filters/edge/edge_contrast_lanes.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "filters/edge/edge_contrast.h"
#include "image/multiversion.h"
#include "image/vector_types.h"

// The lane vectors below live only inside inlined functions of this file;
// the note that passing them by value would differ between instruction
// sets does not concern any interface.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace photofilter {
namespace {

// Lane masks are all ones or zero; four pixels are handled as four 64-bit
// Words, r in the low 16 bits, then g, b and aux.

PHOTOFILTER_INLINE Doubles splat(double x) { return Doubles{} + x; }

PHOTOFILTER_INLINE Doubles magnitude(const Doubles &x) {
  return std::bit_cast<Doubles>(std::bit_cast<LaneMasks>(x) & INT64_MAX);
}

// Each factor in double as 1 + excess, from the sample sums S and SB of the
// pixel and of its blurred copy.
template <typename Rule>
struct InDouble;

// "-ec": the divisor and the division by 3 cancel, so
// f - 1 = gain*(S - SB) / (2S). A zero sum (kept anyway) divides by 2.
template <>
struct InDouble<OverBrightness> {
  PHOTOFILTER_INLINE static Doubles excess(const Doubles &sum, const Doubles &blurred_sum,
                                           const Doubles &gain, double) {
    const Doubles nonzero = sum != 0 ? sum : splat(1);
    return gain * (sum - blurred_sum) / (2 * nonzero);
  }
};

// "-ec1": f - 1 = gain*(S - SB) / (SB + 1.5*divisor), or
// gain*(S - SB) / (1.5*divisor) for a negative vb. Every term of the
// denominator is exact in double: |SB| < 2^17 and 1.5*divisor < 2^32 are
// multiples of 0.5, and so is SB*divisor < 2^48.
template <>
struct InDouble<OverBlurredBrightness> {
  PHOTOFILTER_INLINE static Doubles excess(const Doubles &sum, const Doubles &blurred_sum,
                                           const Doubles &gain, double divisor) {
    const Doubles half_again = splat(1.5 * divisor);
    const Doubles denominator = blurred_sum * divisor < 0 ? half_again : blurred_sum + half_again;
    return gain * (sum - blurred_sum) / denominator;
  }
};

// How far the double results may lie from the extended ones, with u = 2^-53
// and U = 2^-64 the unit roundoffs and q = f - 1 unclamped:
// - the double factor 1 + q rounds three times from exact integers:
//   |f_double - f| <= u*(1 + 3|q|);
// - the extended factor starts from the brightness values S/3/div, each
//   within 2U relative, so v - vb carries an absolute error of
//   2U*(|v| + |vb|); over v (with |S| >= 1) or over t >= 0.5 that is at most
//   4U*|gain|*(|S| + |SB|) in q, and the roundings of the formula add at
//   most 6U*(1 + |q|).
// The sum is below 2^-50 * (1 + |q| + |gain|*(|S| + |SB|)), the bound used.
// It exceeds the error by at least 2^-50 * (1 + |q|) * 3/5, more than half
// an ulp of the clamp limits 3 and 10 wherever f lies near them (|q| >= 2),
// so the comparisons with the rounded limit +- bound below keep their
// meaning.
PHOTOFILTER_INLINE Doubles factor_error_bound(const Doubles &excess, double gain_magnitude,
                                              const Doubles &sum, const Doubles &blurred_sum) {
  return 0x1p-50 *
         (1 + magnitude(excess) + gain_magnitude * (magnitude(sum) + magnitude(blurred_sum)));
}

// A product p = c*f of a sample c with the double factor f rounds once more
// on each side, so with B the factor bound above
//   |p_double - p_extended| <= |c|*B*(1 + U) + (u + U)*|p_double|/(1 - u)
// and |p_double| <= |c|*f*(1 + u). The tolerance |c|*(2B + 2^-50*f), even
// after the two roundings of working it out, lies strictly above that for
// c != 0 (twice the first term, eight times the second). Where p_double
// lies at least the tolerance away from the nearest integer, no integer
// lies between p_double and p_extended, so both truncate alike. A zero
// sample has the exact product 0 and tolerance 0, and passes as well.
PHOTOFILTER_INLINE LaneMasks truncation_is_certain(const Doubles &sample, const Doubles &product,
                                                   const Doubles &tolerance_per_unit) {
  // (p + 1.5*2^52) - 1.5*2^52 is p rounded to the nearest integer for
  // |p| < 2^51; every product here is below 2^19.
  constexpr double kRounder = 0x1.8p52;
  const Doubles nearest = (product + kRounder) - kRounder;
  return magnitude(product - nearest) >= magnitude(sample) * tolerance_per_unit;
}

// Sample `shift`/16 of each word as a double: the 16 bits with the sign bit
// flipped are the sample plus 32768; as the low bits of a double of
// exponent 52 they make 2^52 + sample + 32768 exactly.
PHOTOFILTER_INLINE Doubles sample_of(const Words &pixels, int shift) {
  constexpr uint64_t kTwoTo52WithSignFlipped = 0x4330000000008000;
  const Words bits = ((pixels >> shift) & 0xFFFF) ^ kTwoTo52WithSignFlipped;
  return std::bit_cast<Doubles>(bits) - (0x1p52 + 32768);
}

// Truncated products as samples, saturated, in the 16 bits at `shift` of
// each word. Products lie within 32768*10 < 2^31, so the conversion to 32
// bits is defined.
PHOTOFILTER_INLINE Words sample_bits(const Doubles &product, int shift) {
  const Ints4 low = Ints4{} + INT16_MIN, high = Ints4{} + INT16_MAX;
  Ints4 value = __builtin_convertvector(product, Ints4);
  value = value < low ? low : value;
  value = value > high ? high : value;
  const Words widened =
      std::bit_cast<Words>(Ints8(__builtin_shufflevector(value, Ints4{}, 0, 4, 1, 4, 2, 4, 3, 4)));
  return (widened & 0xFFFF) << shift;
}

struct PassConstants {
  double gain;
  double gain_magnitude;
  int divisor;
  const BrightnessTable<long double> *brightness;
};

// The factors of four pixels in double, and what decides whether their
// products can be trusted. An unchanged pixel (equal sums, or a black one
// that "-ec" keeps) has the factor exactly 1 in extended precision as well;
// clamped factors are exact too, and so are their products with samples.
struct FourFactors {
  Doubles used;       // the factor each pixel's samples are multiplied by
  Doubles tolerance;  // how far from an integer a product must lie, per unit of sample
  LaneMasks settled;  // lanes whose results are certain whatever their products
  LaneMasks checked;  // lanes whose results are certain where every product is
};

template <typename Rule>
PHOTOFILTER_INLINE void factors_of_four(const Pixel *four, const Pixel *around,
                                        const PassConstants &c, FourFactors &factors) {
  constexpr double kHighest = Rule::kHighest;
  Words pixels, blurred;
  std::memcpy(&pixels, four, sizeof pixels);
  std::memcpy(&blurred, around, sizeof blurred);
  const Doubles sum = sample_of(pixels, 0) + sample_of(pixels, 16) + sample_of(pixels, 32);
  const Doubles blurred_sum =
      sample_of(blurred, 0) + sample_of(blurred, 16) + sample_of(blurred, 32);
  const Doubles excess = InDouble<Rule>::excess(sum, blurred_sum, splat(c.gain), c.divisor);
  const Doubles f = 1 + excess;
  const Doubles bound = factor_error_bound(excess, c.gain_magnitude, sum, blurred_sum);
  LaneMasks unchanged = sum == blurred_sum;
  if constexpr (Rule::keeps_black) unchanged |= sum == 0;
  const LaneMasks above = f > kHighest + bound;
  const LaneMasks below = f < -bound;
  const LaneMasks inside = (f > bound) & (f < kHighest - bound);
  factors.used = unchanged ? splat(1) : (inside ? f : (above ? splat(kHighest) : splat(0)));
  factors.tolerance = 2 * bound + 0x1p-50 * factors.used;
  factors.settled = unchanged | above | below;
  factors.checked = inside;
}

// Four pixels times their factors, written back. Returns in `uncertain`
// the lanes whose samples the double results cannot settle: those pixels
// are left as they are for the extended arithmetic to redo.
PHOTOFILTER_INLINE void scale_four(Pixel *four, const FourFactors &factors, LaneMasks &uncertain) {
  Words pixels;
  std::memcpy(&pixels, four, sizeof pixels);
  const Doubles r = sample_of(pixels, 0), g = sample_of(pixels, 16), b = sample_of(pixels, 32);
  const Doubles new_r = r * factors.used, new_g = g * factors.used, new_b = b * factors.used;
  const LaneMasks certain =
      factors.settled | (factors.checked & truncation_is_certain(r, new_r, factors.tolerance) &
                         truncation_is_certain(g, new_g, factors.tolerance) &
                         truncation_is_certain(b, new_b, factors.tolerance));
  constexpr uint64_t kAux = 0xFFFF000000000000;
  const Words scaled =
      sample_bits(new_r, 0) | sample_bits(new_g, 16) | sample_bits(new_b, 32) | (pixels & kAux);
  const Words result = certain ? scaled : pixels;
  std::memcpy(four, &result, sizeof result);
  uncertain = ~certain;
}

// Pixels are done in chunks of 16 groups of four: first the factors of the
// whole chunk, then the products, two loops whose iterations are
// independent and short enough to overlap each other (one loop of both is
// one long dependent chain per group). A chunk's uncertain lanes are kept
// until its end, where the rare uncertain pixels are redone in extended
// precision.
constexpr int kGroupsPerChunk = 16;

// Out of the hot loop.
__attribute__((noinline)) void redo_uncertain(EdgeFactor kind, Pixel *row, const Pixel *blurred,
                                              int64_t groups, const LaneMasks *uncertain,
                                              const PassConstants &c) {
  for (int64_t k = 0; k < groups; ++k) {
    for (int lane = 0; lane < 4; ++lane) {
      if (uncertain[k][lane] == 0) continue;
      scale_pixel_plainly(kind, row[4 * k + lane], blurred[4 * k + lane], c.gain, *c.brightness);
    }
  }
}

template <typename Rule>
PHOTOFILTER_INLINE void scale_groups(Pixel *row, const Pixel *blurred, int64_t groups,
                                     const PassConstants &c) {
  FourFactors factors[kGroupsPerChunk];
  LaneMasks uncertain[kGroupsPerChunk];
  for (int64_t first = 0; first < groups; first += kGroupsPerChunk) {
    const int64_t count = std::min<int64_t>(kGroupsPerChunk, groups - first);
    Pixel *chunk = row + 4 * first;
    const Pixel *chunk_blurred = blurred + 4 * first;
    for (int64_t k = 0; k < count; ++k) {
      factors_of_four<Rule>(chunk + 4 * k, chunk_blurred + 4 * k, c, factors[k]);
    }
    LaneMasks any = {};
    for (int64_t k = 0; k < count; ++k) {
      scale_four(chunk + 4 * k, factors[k], uncertain[k]);
      any |= uncertain[k];
    }
    if (__builtin_expect((any[0] | any[1] | any[2] | any[3]) != 0, 0)) {
      redo_uncertain(Rule::kind, chunk, chunk_blurred, count, uncertain, c);
    }
  }
}

template <typename Rule>
PHOTOFILTER_INLINE void scale_row_in_double(Pixel *row, const Pixel *blurred, int64_t n,
                                            const PassConstants &constants) {
  const PassConstants c = constants;  // a copy the row's stores cannot alias
  const int64_t whole = n / 4 * 4;
  scale_groups<Rule>(row, blurred, whole / 4, c);
  if (whole == n) return;
  // The last one to three pixels go through the same lanes, padded with
  // black pixels whose results are dropped.
  Pixel tail[4] = {}, tail_blurred[4] = {};
  std::copy(row + whole, row + n, tail);
  std::copy(blurred + whole, blurred + n, tail_blurred);
  scale_groups<Rule>(tail, tail_blurred, 1, c);
  std::copy(tail, tail + (n - whole), row + whole);
}

PHOTOFILTER_MULTIVERSION void scale_row_over_brightness(Pixel *row, const Pixel *blurred, int64_t n,
                                                        const PassConstants &c) {
  scale_row_in_double<OverBrightness>(row, blurred, n, c);
}

PHOTOFILTER_MULTIVERSION void scale_row_over_blurred_brightness(Pixel *row, const Pixel *blurred,
                                                                int64_t n, const PassConstants &c) {
  scale_row_in_double<OverBlurredBrightness>(row, blurred, n, c);
}

}  // namespace

void scale_row_in_lanes(EdgeFactor kind, Pixel *row, const Pixel *blurred, int64_t n, double gain,
                        int divisor, const BrightnessTable<long double> &brightness) {
  if (!std::isfinite(gain)) return scale_row_plainly(kind, row, blurred, n, gain, brightness);
  if (gain == 0) return;
  const PassConstants c{gain, std::fabs(gain), divisor, &brightness};
  if (kind == EdgeFactor::kOverBrightness) {
    scale_row_over_brightness(row, blurred, n, c);
  } else {
    scale_row_over_blurred_brightness(row, blurred, n, c);
  }
}

}  // namespace photofilter
