// The scaling bin by bin with two shortcuts, for the plans the separable
// pass (scaling_separable.cc) does not serve, and the choice between them.
//
// Contract: bin_fast gives, for every plan and source, the pixels of
// bin_plainly (scaling.cc), each the bin_mean (bin_mean.h) of its bin.
// - A bin of one source pixel with weights u and v gives ((s*u)*v) / (u*v)
//   for each sample s. When the bits of s (at most 16), u and v fit into a
//   double's 53, every step is exact and the quotient is s: the sample is
//   copied.
// - When every weight of a bin is 1, its double sums are sums of integers
//   below 2^31 in magnitude and exact whatever their order; so are 32-bit
//   integer sums of at most 65536 samples (kMostUnitTerms terms each way),
//   and the weight sum is the number of terms.
// - Every other bin is summed by bin_mean itself.
#include <algorithm>
#include <vector>

#include "filters/geometry/bin_mean.h"
#include "filters/geometry/geometry_support.h"
#include "filters/geometry/scaling.h"
#include "filters/geometry/scaling_bins.h"
#include "image/multiversion.h"
#include "image/parallel.h"
#include "image/vector_types.h"

namespace photofilter {
namespace {

using namespace binning;

// For each bin of an axis: the significant bits of its weight when it has
// a single term (kNotExact otherwise), and whether it has at most
// kMostUnitTerms terms that all weigh 1.
struct Shortcuts {
  std::vector<int> single_weight_bits;
  std::vector<uint8_t> unit_weights;
};
constexpr size_t kMostUnitTerms = 256;

Shortcuts shortcuts_of(const AxisBins &bins) {
  Shortcuts s;
  for (int32_t k = 0; k < bins.count(); ++k) {
    const auto terms = static_cast<size_t>(bins.end(k) - bins.begin(k));
    s.single_weight_bits.push_back(terms == 1 ? significant_bits(bins.begin(k)->weight)
                                              : kNotExact);
    s.unit_weights.push_back(terms <= kMostUnitTerms &&
                             std::all_of(bins.begin(k), bins.end(k),
                                         [](const BinTerm &t) { return t.weight == 1.0; }));
  }
  return s;
}

// The bin's mean from 32-bit integer sums, for weights that are all 1.
template <typename Source>
PHOTOFILTER_INLINE Pixel unit_bin_mean(const Source &source, const BinTerm *column_begin,
                                       const BinTerm *column_end, const BinTerm *row_begin,
                                       const BinTerm *row_end) {
  Ints4 sum = {0, 0, 0, 0};
  for_each_term(source, column_begin, column_end, row_begin, row_end,
                [&sum](Ints4 samples, double, double) { sum += samples; });
  sum[3] = static_cast<int32_t>((column_end - column_begin) * (row_end - row_begin));
  return mean_of(__builtin_convertvector(sum, Doubles));
}

// Bits that a single term's two weights may take beside a sample's 16.
constexpr int kBitsBesideSample = 53 - 16;

// Result row j, bin by bin.
template <typename Source>
PHOTOFILTER_INLINE void bin_row(const Source &source, const ScalePlan &p, const Shortcuts &columns,
                                const Shortcuts &rows, int32_t j, Pixel *to) {
  const BinTerm *row_begin = p.rows.begin(j);
  const BinTerm *row_end = p.rows.end(j);
  const int spare_bits = kBitsBesideSample - rows.single_weight_bits[j];
  const bool unit_row = rows.unit_weights[j];
  const BinTerm *column_terms = p.columns.terms.data();
  const int32_t width = p.f.width;
  for (int32_t i = 0; i < width; ++i) {
    const BinTerm *column_begin = column_terms + p.columns.first[i];
    const BinTerm *column_end = column_terms + p.columns.first[i + 1];
    if (columns.single_weight_bits[i] <= spare_bits) {
      to[i] = pixel_of(samples_at(source.row(row_begin->source), column_begin->source));
    } else if (unit_row && columns.unit_weights[i]) {
      to[i] = unit_bin_mean(source, column_begin, column_end, row_begin, row_end);
    } else {
      to[i] = bin_mean(source, column_begin, column_end, row_begin, row_end);
    }
  }
}

// Result rows j0 .. j1 - 1.
template <typename Source, typename Result>
PHOTOFILTER_INLINE void bin_rows(const Source &source, const ScalePlan &p, Result *to,
                                 int32_t j0, int32_t j1) {
  const int32_t width = p.f.width;
  const Shortcuts columns = shortcuts_of(p.columns);
  const Shortcuts rows = shortcuts_of(p.rows);
  std::vector<Pixel> row(static_cast<size_t>(width));
  to += kResultStep<Result> * width * int64_t{j0};
  for (int32_t j = j0; j < j1; ++j, to += kResultStep<Result> * width) {
    bin_row(source, p, columns, rows, j, row.data());
    store_row(row.data(), width, to);
  }
}

PHOTOFILTER_MULTIVERSION void bin_by_terms(const PixelSampleRows &source, const ScalePlan &p,
                                           Pixel *to, int32_t j0, int32_t j1) {
  bin_rows(source, p, to, j0, j1);
}

PHOTOFILTER_MULTIVERSION void bin_by_terms(const ByteSampleRows &source, const ScalePlan &p,
                                           Pixel *to, int32_t j0, int32_t j1) {
  bin_rows(source, p, to, j0, j1);
}

PHOTOFILTER_MULTIVERSION void bin_by_terms(const ByteSampleRows &source, const ScalePlan &p,
                                           uint8_t *to, int32_t j0, int32_t j1) {
  bin_rows(source, p, to, j0, j1);
}

// The separable pass where it serves, bin by bin otherwise. A result in
// its own array (an enlargement on either axis) is binned row by row over
// the run's threads: its rows read only the source. A reduction writes
// into the source's memory as it reads it and stays on one thread.
template <typename Source, typename Result>
void bin_by_the_fastest_path(const Source &source, const ScalePlan &p, Result *to) {
  if (reduces_separably(p)) {
    reduce_separably(source, p, to);
  } else if (scales_in_place(p.f)) {
    bin_by_terms(source, p, to, 0, p.f.height);
  } else {
    ImageHeader result;
    result.nx = p.f.width;
    result.ny = p.f.height;
    split_rows(result, [&](int32_t j0, int32_t j1) { bin_by_terms(source, p, to, j0, j1); });
  }
}

}  // namespace

void bin_fast(const PixelSampleRows &source, const ScalePlan &p, Pixel *to) {
  bin_by_the_fastest_path(source, p, to);
}

void bin_fast(const ByteSampleRows &source, const ScalePlan &p, Pixel *to) {
  bin_by_the_fastest_path(source, p, to);
}

void bin_fast(const ByteSampleRows &source, const ScalePlan &p, uint8_t *to) {
  bin_by_the_fastest_path(source, p, to);
}

}  // namespace photofilter
