// "-sc fx,fy,weight": resizes the image by area-weighted binning. Every
// result pixel is the weighted mean of the source pixels its bin covers (a
// bin is 1/fx source columns wide and 1/fy rows high); partly covered
// columns and rows count with the covered fraction. An enlargement is then
// smoothed: R passes of the weighted blur with radius R = 1.99/(1/fx+1/fy).
//
// The mean of a bin is defined by one sum in double, row by row and column
// by column, of (sample * column weight) * row weight, divided by the sum
// of the weights. A reduction gets the same truncated means from a
// separable pass (rows of a bin combined per column, then columns per bin)
// whose result is either exact or checked against its error bound.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <type_traits>
#include <vector>

#include "filters/geometry/geometry_commands.h"
#include "filters/geometry/geometry_support.h"
#include "image/kernels.h"
#include "image/multiversion.h"
#include "image/sample.h"
#include "image/step_timer.h"

namespace photofilter {
namespace {

// One source column (or row) of a bin with its weight.
struct BinTerm {
  int32_t source;
  double weight;
};

// The bins of one axis, worked out once: bin k is made of
// terms[first[k]] .. terms[first[k + 1]] - 1, in source order. A bin of a
// single term also records how many significant bits its weight has, and
// a bin of at most 256 terms that all weigh 1 is marked as such. For the
// separable pass every bin also has the sum of its weights and how many
// bits its fractions and its term count take (exact_bits).
struct AxisBins {
  std::vector<size_t> first;
  std::vector<BinTerm> terms;
  std::vector<int> single_weight_bits;
  std::vector<uint8_t> unit_weights;
  std::vector<double> weight_sums;
  std::vector<int> exact_bits;
  size_t most_terms = 0;
};
constexpr size_t kMostUnitTerms = 256;

// Significant bits of a weight, or more than any product may hold when the
// bin has more than one term or the weight is small enough to underflow.
constexpr int kNotExact = 1000;
int significant_bits(double weight) {
  if (!(weight >= 0x1p-900)) return kNotExact;
  int exponent = 0;
  const double mantissa = std::frexp(weight, &exponent);  // in [0.5, 1)
  const auto digits = static_cast<uint64_t>(mantissa * 0x1p53);
  return 53 - std::countr_zero(digits);
}

// Bits after the binary point of a weight: 0 for 1, 1 for 0.5.
int fraction_bits(double weight) {
  if (!(weight >= 0x1p-900)) return kNotExact;
  int exponent = 0;
  const double mantissa = std::frexp(weight, &exponent);
  const auto digits = static_cast<uint64_t>(mantissa * 0x1p53);
  return std::max(0, 53 - exponent - std::countr_zero(digits));
}

// Bin k covers [k*bin, k*bin + bin) of a line of `length` source pixels:
// its first pixel weighs 1 - frac(start), its last frac(end) and those in
// between 1; a bin inside one pixel gives that pixel the first weight.
// Pixels past the end of the line read the last one. Terms of weight 0 add
// exactly nothing to the sums (a sum starting at +0 never becomes -0) and
// are left out.
AxisBins axis_bins(int32_t count, double bin, int32_t length) {
  AxisBins bins;
  bins.first.reserve(static_cast<size_t>(count) + 1);
  bins.single_weight_bits.reserve(static_cast<size_t>(count));
  for (int32_t k = 0; k < count; ++k) {
    const size_t first_term = bins.terms.size();
    bins.first.push_back(first_term);
    const double start = k * bin;
    const double end = start + bin;
    const int64_t first = truncate_to<int64_t>(start);
    const int64_t last = truncate_to<int64_t>(end);
    const double first_weight = std::trunc(start + 1) - start;
    const double last_weight = end - std::trunc(end);
    double weight_sum = 0;
    int bits = 0;
    for (int64_t line = first; line <= last; ++line) {
      const double weight = line == first ? first_weight : (line == last ? last_weight : 1.0);
      if (weight == 0) continue;
      bins.terms.push_back({static_cast<int32_t>(std::min<int64_t>(line, length - 1)), weight});
      weight_sum += weight;
      bits = std::max(bits, fraction_bits(weight));
    }
    const size_t terms = bins.terms.size() - first_term;
    const bool single = terms == 1;
    bins.single_weight_bits.push_back(single ? significant_bits(bins.terms.back().weight)
                                             : kNotExact);
    const auto begin = bins.terms.begin() + static_cast<ptrdiff_t>(first_term);
    bins.unit_weights.push_back(
        terms <= kMostUnitTerms &&
        std::all_of(begin, bins.terms.end(), [](const BinTerm &t) { return t.weight == 1.0; }));
    bins.weight_sums.push_back(weight_sum);
    bins.exact_bits.push_back(std::min(bits + static_cast<int>(std::bit_width(terms)), kNotExact));
    bins.most_terms = std::max(bins.most_terms, terms);
  }
  bins.first.push_back(bins.terms.size());
  return bins;
}

// The source rows: the widened pixels (4 samples a pixel, r, g, b, aux), or
// the bytes of an image as read (r, g, b).
template <typename SampleType, int kLaneCount, int kLargestMagnitude>
struct SourceRows {
  using Sample = SampleType;
  static constexpr int kLanes = kLaneCount;
  // No sample lies farther from 0 than this.
  static constexpr double kLargest = kLargestMagnitude;
  const Sample *first;
  int32_t nx;
  const Sample *row(int32_t y) const { return first + int64_t{kLanes} * nx * y; }
};
using PixelRows = SourceRows<int16_t, 4, 32768>;
using ByteRows = SourceRows<uint8_t, 3, 255>;

PixelRows rows_of(const Pixel *pixels, int32_t nx) {
  return {reinterpret_cast<const int16_t *>(pixels), nx};
}

// r, g, b and the weight sum side by side; each lane is computed exactly as
// its own scalar would be.
using Lanes = double __attribute__((vector_size(32)));
using Masks = int64_t __attribute__((vector_size(32)));
using Samples = int16_t __attribute__((vector_size(8)));
using Ints = int32_t __attribute__((vector_size(16)));

// r, g, b of pixel x of a row, and 0.
PHOTOFILTER_INLINE Ints samples_at(const int16_t *row, int32_t x) {
  Samples samples;
  std::memcpy(&samples, row + 4 * int64_t{x}, sizeof samples);
  Ints ints = __builtin_convertvector(samples, Ints);
  ints[3] = 0;
  return ints;
}
PHOTOFILTER_INLINE Ints samples_at(const uint8_t *row, int32_t x) {
  const uint8_t *p = row + 3 * int64_t{x};
  return Ints{p[0], p[1], p[2], 0};
}

// Adds (sample * u) * v to each sample's sum and u * v, the same with 1 in
// place of the sample, to the weight sum.
PHOTOFILTER_INLINE void add_weighted(Lanes &sum, Ints samples, double u, double v) {
  samples[3] = 1;
  sum += __builtin_convertvector(samples, Lanes) * u * v;
}

// The first three lanes truncated toward zero into samples (saturating),
// the last one 0: the aux of every result.
PHOTOFILTER_INLINE void clamp(Lanes &q) {
  const Lanes low = {INT16_MIN, INT16_MIN, INT16_MIN, 0};
  const Lanes high = {INT16_MAX, INT16_MAX, INT16_MAX, 0};
  q = q > low ? q : low;
  q = q < high ? q : high;
}
PHOTOFILTER_INLINE Pixel pixel_of(Ints truncated) {
  const Samples samples = __builtin_convertvector(truncated, Samples);
  Pixel pixel;
  std::memcpy(&pixel, &samples, sizeof pixel);
  return pixel;
}
PHOTOFILTER_INLINE Pixel truncated(Lanes q) {
  clamp(q);
  return pixel_of(__builtin_convertvector(q, Ints));
}

// Each sample's sum divided by the weight sum, truncated into a sample.
PHOTOFILTER_INLINE Pixel mean_of(const Lanes &sum) {
  const Lanes mean = sum / sum[3];
  return truncated(mean == mean ? mean : Lanes{0, 0, 0, 0});  // an empty bin gives 0
}

// Calls add(samples, column weight, row weight) for every term of a bin,
// row by row and column by column within a row.
template <typename Source, typename Add>
PHOTOFILTER_INLINE void for_each_term(const Source &source, const BinTerm *column_begin,
                                      const BinTerm *column_end, const BinTerm *row_begin,
                                      const BinTerm *row_end, Add add) {
  for (const BinTerm *row = row_begin; row != row_end; ++row) {
    const typename Source::Sample *line = source.row(row->source);
    for (const BinTerm *column = column_begin; column != column_end; ++column) {
      add(samples_at(line, column->source), column->weight, row->weight);
    }
  }
}

// Sums (sample * column weight) * row weight over the bin and divides by
// the sum of the weights.
template <typename Source>
PHOTOFILTER_INLINE Pixel bin_mean(const Source &source, const BinTerm *column_begin,
                                  const BinTerm *column_end, const BinTerm *row_begin,
                                  const BinTerm *row_end) {
  Lanes sum = {0, 0, 0, 0};
  for_each_term(source, column_begin, column_end, row_begin, row_end,
                [&sum](Ints samples, double u, double v) { add_weighted(sum, samples, u, v); });
  return mean_of(sum);
}

// With every weight 1 the double sums are exact integers whatever their
// order, so 32-bit integer sums of at most 65536 samples give them too.
template <typename Source>
PHOTOFILTER_INLINE Pixel unit_bin_mean(const Source &source, const BinTerm *column_begin,
                                       const BinTerm *column_end, const BinTerm *row_begin,
                                       const BinTerm *row_end) {
  Ints sum = {0, 0, 0, 0};
  for_each_term(source, column_begin, column_end, row_begin, row_end,
                [&sum](Ints samples, double, double) { sum += samples; });
  sum[3] = static_cast<int32_t>((column_end - column_begin) * (row_end - row_begin));
  return mean_of(__builtin_convertvector(sum, Lanes));
}

// A bin of one source pixel with weights u and v gives
// ((s*u)*v) / (u*v) for each sample s. When the bits of s (at most 16),
// u and v fit into a double's 53, every step is exact and the quotient is s.
constexpr int kBitsBesideSample = 53 - 16;

// Result row j, bin by bin.
template <typename Source>
PHOTOFILTER_INLINE void bin_row(const Source &source, const AxisBins &columns,
                                const AxisBins &rows, int32_t j, int32_t width, Pixel *to) {
  const BinTerm *column_terms = columns.terms.data();
  const BinTerm *row_begin = rows.terms.data() + rows.first[j];
  const BinTerm *row_end = rows.terms.data() + rows.first[j + 1];
  const int spare_bits = kBitsBesideSample - rows.single_weight_bits[j];
  const bool unit_row = rows.unit_weights[j];
  for (int32_t i = 0; i < width; ++i) {
    const BinTerm *column_begin = column_terms + columns.first[i];
    const BinTerm *column_end = column_terms + columns.first[i + 1];
    if (columns.single_weight_bits[i] <= spare_bits) {
      to[i] = pixel_of(samples_at(source.row(row_begin->source), column_begin->source));
    } else if (unit_row && columns.unit_weights[i]) {
      to[i] = unit_bin_mean(source, column_begin, column_end, row_begin, row_end);
    } else {
      to[i] = bin_mean(source, column_begin, column_end, row_begin, row_end);
    }
  }
}

// The separable pass of a reduction. For result row j the rows of its bin
// are first combined per source column into D (samples of weight-1 rows
// added as integers, the others as sample * row weight); then for each
// result column q = (sum over the bin's columns of D * column weight) /
// (column weight sum * row weight sum).
//
// Why this gives the bin's defined mean m = trunc(S/W), with S and W its
// sums in the defined order, though q adds the same products in another
// order:
// - Exact bins. Let every column weight be a multiple of 2^-a and every
//   row weight of 2^-b (a, b: fraction bits), c columns and r rows, and
//   |sample| < 2^s. All weights are at most 1 (plus rounding), so every
//   product, partial sum, weight sum and weight product of both orders is
//   a multiple of 2^-(a+b) below c*r*2^s in magnitude. When
//   a + bits(c) + b + bits(r) + s <= 52 all of them are doubles, so both
//   orders compute the exact S and W and the same quotient.
// - Other bins. Let n = c*r, M the largest |sample|, u = 2^-53, and
//   Q = sum(s*x*y) / sum(x*y) the exact weighted mean (|Q| <= M). Each
//   product of the defined order meets 2 roundings of its products and at
//   most n-1 of the additions; the same holds in q's order (at most
//   r + c <= n + 1 roundings on any term's path, any tree of additions).
//   With g = (n+1)u/(1-(n+1)u) both S and q's numerator are
//   sum(s*x*y*(1+t)) with |t| <= g, the weight sums likewise, so either
//   quotient lies within 2*M*g/(1-g) + M*u*(1+g) of Q, and the two within
//   4.0001*M*(n+2)*u < E = M*(n+2)*2^-50 of each other when n*u < 2^-20.
//   If q is farther than E from every integer other than 0, both truncate
//   to the same integer (truncation toward zero has no step at 0), and the
//   saturation into a sample is monotonic. Otherwise the bin is summed in
//   the defined order.
template <typename Source>
class SeparableReduction {
  using Sample = typename Source::Sample;

 public:
  SeparableReduction(const Source &source, const AxisBins &columns, const AxisBins &rows)
      : source_(source),
        columns_(columns),
        rows_(rows),
        row_sums_(static_cast<size_t>(Source::kLanes) * source.nx + 1, 0.0),
        unit_sums_(static_cast<size_t>(Source::kLanes) * source.nx),
        bound_(Source::kLargest * (static_cast<double>(columns.most_terms) *
                                       static_cast<double>(rows.most_terms) +
                                   2) *
               0x1p-50),
        exact_bits_left_(52 - std::bit_width(static_cast<unsigned>(Source::kLargest))) {}

  // Bins with more terms than this have no useful bound.
  static bool applies(const AxisBins &columns, const AxisBins &rows) {
    return static_cast<double>(columns.most_terms) * static_cast<double>(rows.most_terms) <=
           0x1p32;
  }

  PHOTOFILTER_INLINE void row(int32_t j, int32_t width, Pixel *to) {
    const BinTerm *row_begin = rows_.terms.data() + rows_.first[j];
    const BinTerm *row_end = rows_.terms.data() + rows_.first[j + 1];
    combine_rows(row_begin, row_end);
    const double *d = row_sums_.data();
    const BinTerm *column_terms = columns_.terms.data();
    const double row_weight = rows_.weight_sums[j];
    const int column_bits_left = exact_bits_left_ - rows_.exact_bits[j];
    const Lanes bound = {bound_, bound_, bound_, bound_};
    const Lanes near_one = 1 - bound;
    for (int32_t i = 0; i < width; ++i) {
      const BinTerm *column_begin = column_terms + columns_.first[i];
      const BinTerm *column_end = column_terms + columns_.first[i + 1];
      Lanes sum = {0, 0, 0, 0};
      for (const BinTerm *t = column_begin; t != column_end; ++t) {
        Lanes lanes;
        std::memcpy(&lanes, d + int64_t{Source::kLanes} * t->source, sizeof lanes);
        sum += lanes * t->weight;
      }
      Lanes q = sum / (columns_.weight_sums[i] * row_weight);
      clamp(q);
      const Ints whole = __builtin_convertvector(q, Ints);
      if (columns_.exact_bits[i] > column_bits_left) {
        const Lanes part = q - __builtin_convertvector(whole, Lanes);
        const Lanes size = part < 0 ? -part : part;
        const Masks near_step =
            ((__builtin_convertvector(whole, Lanes) != 0) & (size < bound)) | (size > near_one);
        if (near_step[0] | near_step[1] | near_step[2]) {
          to[i] = bin_mean(source_, column_begin, column_end, row_begin, row_end);
          continue;
        }
      }
      to[i] = pixel_of(whole);
    }
  }

 private:
  // D: for every sample of a source row, the sum over the bin's rows of
  // sample * row weight. Only a bin's first and last row can weigh other
  // than 1: the rows of weight 1 are added up as integers, then one pass
  // adds them and the (at most two) weighted rows into D.
  PHOTOFILTER_INLINE void combine_rows(const BinTerm *row_begin, const BinTerm *row_end) {
    // 65535 samples of at most 32768 in magnitude fit 32 bits.
    if (row_end - row_begin > 65535) {
      combine_many_rows(row_begin, row_end);
      return;
    }
    const size_t n = static_cast<size_t>(Source::kLanes) * source_.nx;
    int32_t *units = unit_sums_.data();
    const Sample *weighted[2] = {};
    double weights[2] = {};
    int weighted_rows = 0;
    bool unit_rows = false;
    for (const BinTerm *t = row_begin; t != row_end; ++t) {
      const Sample *s = source_.row(t->source);
      if (t->weight != 1.0) {
        if (weighted_rows == 2) {
          combine_many_rows(row_begin, row_end);
          return;
        }
        weighted[weighted_rows] = s;
        weights[weighted_rows++] = t->weight;
      } else if (!unit_rows) {
        for (size_t k = 0; k < n; ++k) units[k] = s[k];
        unit_rows = true;
      } else {
        for (size_t k = 0; k < n; ++k) units[k] += s[k];
      }
    }
    double *d = row_sums_.data();
    const Sample *s0 = weighted[0];
    const Sample *s1 = weighted[1];
    const double w0 = weights[0];
    const double w1 = weights[1];
    if (unit_rows) {
      if (weighted_rows == 2) {
        for (size_t k = 0; k < n; ++k) d[k] = units[k] + s0[k] * w0 + s1[k] * w1;
      } else if (weighted_rows == 1) {
        for (size_t k = 0; k < n; ++k) d[k] = units[k] + s0[k] * w0;
      } else {
        for (size_t k = 0; k < n; ++k) d[k] = units[k];
      }
    } else if (weighted_rows == 2) {
      for (size_t k = 0; k < n; ++k) d[k] = s0[k] * w0 + s1[k] * w1;
    } else if (weighted_rows == 1) {
      for (size_t k = 0; k < n; ++k) d[k] = s0[k] * w0;
    } else {
      std::fill(d, d + n, 0.0);
    }
  }

  // The same a row at a time, for bins of very many rows.
  void combine_many_rows(const BinTerm *row_begin, const BinTerm *row_end) {
    const size_t n = static_cast<size_t>(Source::kLanes) * source_.nx;
    double *d = row_sums_.data();
    std::fill(d, d + n, 0.0);
    for (const BinTerm *t = row_begin; t != row_end; ++t) {
      const Sample *s = source_.row(t->source);
      const double w = t->weight;
      for (size_t k = 0; k < n; ++k) d[k] += s[k] * w;
    }
  }

  const Source &source_;
  const AxisBins &columns_;
  const AxisBins &rows_;
  std::vector<double> row_sums_;  // one more: a pixel's lanes are read 4 at a time
  std::vector<int32_t> unit_sums_;
  double bound_;
  int exact_bits_left_;
};

// Writes a result row as pixels, or as bytes when the result stays bytes
// (means of bytes are bytes).
PHOTOFILTER_INLINE void store_row(const Pixel *row, int32_t width, Pixel *to) {
  std::memcpy(to, row, static_cast<size_t>(width) * sizeof(Pixel));
}
PHOTOFILTER_INLINE void store_row(const Pixel *row, int32_t width, uint8_t *to) {
  for (int32_t i = 0; i < width; ++i, to += 3) {
    to[0] = clamp_to_byte(row[i].r);
    to[1] = clamp_to_byte(row[i].g);
    to[2] = clamp_to_byte(row[i].b);
  }
}

// Bins of at least one source pixel each way read, for result row j, only
// source rows from j on, and the result row is written after its bins are
// done: the result may take the source's own array.
template <typename Source, typename Result>
PHOTOFILTER_INLINE void bin_rows(const Source &source, const AxisBins &columns,
                                 const AxisBins &rows, bool separable, int32_t width,
                                 int32_t height, Result *to) {
  const int64_t step = int64_t{width} * (std::is_same_v<Result, Pixel> ? 1 : 3);
  std::vector<Pixel> row(static_cast<size_t>(width));
  if (separable) {
    SeparableReduction<Source> reduction(source, columns, rows);
    for (int32_t j = 0; j < height; ++j, to += step) {
      reduction.row(j, width, row.data());
      store_row(row.data(), width, to);
    }
  } else {
    for (int32_t j = 0; j < height; ++j, to += step) {
      bin_row(source, columns, rows, j, width, row.data());
      store_row(row.data(), width, to);
    }
  }
}

PHOTOFILTER_MULTIVERSION void bin_into(const PixelRows &source, const AxisBins &columns,
                                       const AxisBins &rows, bool separable, int32_t width,
                                       int32_t height, Pixel *to) {
  bin_rows(source, columns, rows, separable, width, height, to);
}

PHOTOFILTER_MULTIVERSION void bin_into(const ByteRows &source, const AxisBins &columns,
                                       const AxisBins &rows, bool separable, int32_t width,
                                       int32_t height, Pixel *to) {
  bin_rows(source, columns, rows, separable, width, height, to);
}

PHOTOFILTER_MULTIVERSION void bin_into(const ByteRows &source, const AxisBins &columns,
                                       const AxisBins &rows, bool separable, int32_t width,
                                       int32_t height, uint8_t *to) {
  bin_rows(source, columns, rows, separable, width, height, to);
}

int32_t smoothing_radius(const ScaleFactors &f) {
  return f.weight > 0.01 ? truncate_to<int32_t>(1.99 / (f.bin_width + f.bin_height)) : 0;
}

// The bins of both axes and whether the separable pass serves them.
struct ScalePlan {
  ScaleFactors f;
  AxisBins columns, rows;
  bool separable;
  int32_t radius;  // of the smoothing after an enlargement
};

ScalePlan scale_plan(const ScaleFactors &f, const ImageHeader &image) {
  ScalePlan p{f, axis_bins(f.width, f.bin_width, image.nx),
              axis_bins(f.height, f.bin_height, image.ny), false, smoothing_radius(f)};
  p.separable = f.bin_width >= 1 && f.bin_height >= 1 &&
                SeparableReduction<PixelRows>::applies(p.columns, p.rows);
  return p;
}

void smooth_scaled(const ScalePlan &p, Image &image) {
  step_timer("binning done");
  for (int32_t pass = 0; pass < p.radius; ++pass) {
    std::fprintf(stderr, "smothing with radius %d weight %g\n", p.radius, p.f.weight);
    weighted_blur(image, p.radius, p.f.weight);
  }
  step_timer("scaling done");
}

}  // namespace

void scaling(const char *word, Image &image) {
  const ScaleFactors f = scale_factors(word, image, 0.00001);
  ResultArray scaled = scaled_result("scale", f, image.pixels);
  const ScalePlan p = scale_plan(f, image);
  bin_into(rows_of(image.pixels.get(), image.nx), p.columns, p.rows, p.separable, f.width,
           f.height, scaled.data());
  image.replace_pixels(scaled.release(), f.width, f.height);
  smooth_scaled(p, image);
}

void scaling_bytes(const char *word, WorkingImage &working, bool) {
  ByteImage &image = working.bytes();
  const ScaleFactors f = scale_factors(word, image, 0.00001);
  ResultArray scaled = scaled_result("scale", f, image.storage);
  const ScalePlan p = scale_plan(f, image);
  const ByteRows source{image.bytes(), image.nx};
  if (p.radius > 0) {
    // The smoothing needs pixels: only the result is widened.
    bin_into(source, p.columns, p.rows, p.separable, f.width, f.height, scaled.data());
    Image result;
    static_cast<ImageHeader &>(result) = image;
    result.replace_pixels(scaled.release(), f.width, f.height);
    working = WorkingImage(std::move(result));
    smooth_scaled(p, working.widened());
    return;
  }
  // Means of bytes are bytes: the result stays bytes.
  const int64_t count = int64_t{f.width} * f.height;
  bin_into(source, p.columns, p.rows, p.separable, f.width, f.height,
           byte_position(scaled.data(), count));
  image.replace(scaled.release(), f.width, f.height);
  step_timer("binning done");
  step_timer("scaling done");
}

}  // namespace photofilter
