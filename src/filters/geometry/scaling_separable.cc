// The separable pass of a reduction. For result row j the rows of its bin
// are first combined per source column into D (samples of weight-1 rows
// added as integers, the others as sample * row weight); then for each
// result column q = (sum over the bin's columns of D * column weight) /
// (column weight sum * row weight sum).
//
// Contract: for plans with bins of at least one source pixel each way and
// at most 2^32 terms (reduces_separably), every pixel equals that of
// bin_plainly (scaling.cc), the bin_mean (bin_mean.h) m = trunc(S/W) with
// S and W the bin's sums in the defined order, though q adds the same
// products in another order:
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
//   saturation into a sample is monotonic. Otherwise the bin is summed by
//   bin_mean, in the defined order.
#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "filters/geometry/bin_mean.h"
#include "filters/geometry/geometry_support.h"
#include "filters/geometry/scaling.h"
#include "filters/geometry/scaling_bins.h"
#include "image/multiversion.h"
#include "image/vector_types.h"

namespace photofilter {
namespace {

using namespace binning;

size_t most_terms(const AxisBins &bins) {
  size_t most = 0;
  for (int32_t k = 0; k < bins.count(); ++k) {
    most = std::max(most, static_cast<size_t>(bins.end(k) - bins.begin(k)));
  }
  return most;
}

// One axis as the pass reads it: the bins of the plan and, for each bin,
// the sum of its weights in term order and how many bits its weights'
// fractions and its term count take (kNotExact at most); and the most
// terms of any bin. The bins are copied into this one record beside their
// facts: with the bins read from the plan and the facts from a record of
// their own, the column loop ran some 5% slower.
struct SeparableAxis {
  std::vector<size_t> first;
  std::vector<BinTerm> terms;
  std::vector<double> weight_sums;
  std::vector<int> exact_bits;
  size_t most_terms = 0;
};

SeparableAxis separable_axis(const AxisBins &bins) {
  SeparableAxis axis{bins.first, bins.terms, {}, {}, most_terms(bins)};
  for (int32_t k = 0; k < bins.count(); ++k) {
    double weight_sum = 0;
    int bits = 0;
    for (const BinTerm *t = bins.begin(k); t != bins.end(k); ++t) {
      weight_sum += t->weight;
      bits = std::max(bits, fraction_bits(t->weight));
    }
    const auto terms = static_cast<size_t>(bins.end(k) - bins.begin(k));
    axis.weight_sums.push_back(weight_sum);
    axis.exact_bits.push_back(std::min(bits + static_cast<int>(std::bit_width(terms)), kNotExact));
  }
  return axis;
}

template <typename Source>
class SeparableReduction {
  using Sample = typename Source::Sample;

 public:
  SeparableReduction(const Source &source, const SeparableAxis &columns, const SeparableAxis &rows)
      : source_(source),
        columns_(columns),
        rows_(rows),
        row_sums_(static_cast<size_t>(Source::kSamplesPerPixel) * source.nx + 1, 0.0),
        unit_sums_(static_cast<size_t>(Source::kSamplesPerPixel) * source.nx),
        bound_(Source::kLargest * (static_cast<double>(columns.most_terms) *
                                       static_cast<double>(rows.most_terms) +
                                   2) *
               0x1p-50),
        exact_bits_left_(52 - std::bit_width(static_cast<unsigned>(Source::kLargest))) {}

  PHOTOFILTER_INLINE void row(int32_t j, int32_t width, Pixel *to) {
    const BinTerm *row_begin = rows_.terms.data() + rows_.first[j];
    const BinTerm *row_end = rows_.terms.data() + rows_.first[j + 1];
    combine_rows(row_begin, row_end);
    const double *d = row_sums_.data();
    const BinTerm *column_terms = columns_.terms.data();
    const double row_weight = rows_.weight_sums[j];
    const int column_bits_left = exact_bits_left_ - rows_.exact_bits[j];
    const Doubles bound = {bound_, bound_, bound_, bound_};
    const Doubles near_one = 1 - bound;
    for (int32_t i = 0; i < width; ++i) {
      const BinTerm *column_begin = column_terms + columns_.first[i];
      const BinTerm *column_end = column_terms + columns_.first[i + 1];
      Doubles sum = {0, 0, 0, 0};
      for (const BinTerm *t = column_begin; t != column_end; ++t) {
        Doubles lanes;
        std::memcpy(&lanes, d + int64_t{Source::kSamplesPerPixel} * t->source, sizeof lanes);
        sum += lanes * t->weight;
      }
      Doubles q = sum / (columns_.weight_sums[i] * row_weight);
      clamp(q);
      const Ints4 whole = __builtin_convertvector(q, Ints4);
      if (columns_.exact_bits[i] > column_bits_left) {
        const Doubles part = q - __builtin_convertvector(whole, Doubles);
        const Doubles size = part < 0 ? -part : part;
        const LaneMasks near_step =
            ((__builtin_convertvector(whole, Doubles) != 0) & (size < bound)) | (size > near_one);
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
    const size_t n = static_cast<size_t>(Source::kSamplesPerPixel) * source_.nx;
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
    const size_t n = static_cast<size_t>(Source::kSamplesPerPixel) * source_.nx;
    double *d = row_sums_.data();
    std::fill(d, d + n, 0.0);
    for (const BinTerm *t = row_begin; t != row_end; ++t) {
      const Sample *s = source_.row(t->source);
      const double w = t->weight;
      for (size_t k = 0; k < n; ++k) d[k] += s[k] * w;
    }
  }

  const Source &source_;
  const SeparableAxis &columns_;
  const SeparableAxis &rows_;
  std::vector<double> row_sums_;  // one more: a pixel's lanes are read 4 at a time
  std::vector<int32_t> unit_sums_;
  double bound_;
  int exact_bits_left_;
};

template <typename Source, typename Result>
PHOTOFILTER_INLINE void reduce_rows(const Source &source, const ScalePlan &p, Result *to) {
  const int32_t width = p.f.width;
  const int32_t height = p.f.height;
  const SeparableAxis columns = separable_axis(p.columns);
  const SeparableAxis rows = separable_axis(p.rows);
  SeparableReduction<Source> reduction(source, columns, rows);
  std::vector<Pixel> row(static_cast<size_t>(width));
  for (int32_t j = 0; j < height; ++j, to += kResultStep<Result> * width) {
    reduction.row(j, width, row.data());
    store_row(row.data(), width, to);
  }
}

}  // namespace

bool reduces_separably(const ScalePlan &p) {
  // Bins with more terms than 2^32 have no useful bound.
  return p.f.bin_width >= 1 && p.f.bin_height >= 1 &&
         static_cast<double>(most_terms(p.columns)) * static_cast<double>(most_terms(p.rows)) <=
             0x1p32;
}

PHOTOFILTER_MULTIVERSION void reduce_separably(const PixelSampleRows &source, const ScalePlan &p,
                                               Pixel *to) {
  reduce_rows(source, p, to);
}

PHOTOFILTER_MULTIVERSION void reduce_separably(const ByteSampleRows &source, const ScalePlan &p,
                                               Pixel *to) {
  reduce_rows(source, p, to);
}

PHOTOFILTER_MULTIVERSION void reduce_separably(const ByteSampleRows &source, const ScalePlan &p,
                                               uint8_t *to) {
  reduce_rows(source, p, to);
}

}  // namespace photofilter
