// The two shared separable kernels. Both change the image in place with a
// horizontal pass over every row followed by a vertical pass over every
// column, and both treat a negative radius as 0. Each comes twice: the
// plain function, written straight from its rule (kernels_plain.cc), and
// the fast one, which gives the same samples for every input.
#pragma once

#include <cstdint>
#include <span>

#include "image/image.h"
#include "image/row_source.h"

namespace photofilter {

// Pulls r, g and b toward the mean of a window of 2*radius+1 samples along
// the row, then along the column; windows are cut off at the line ends.
// A weight of -0.001 or below selects step mode: each sample moves by
// trunc(0.999 - weight) toward the truncated mean. Otherwise each sample
// becomes (weight*sum/count + v) / (weight + 1), truncated. aux is kept.
void weighted_blur(Image &image, int32_t radius, double weight);
void weighted_blur_plain(Image &image, int32_t radius, double weight);

// What weighted_blur leaves at a few points of the image whose rows the
// source yields, without blurring the whole image: pixel (columns[i],
// rows[j]) of the blurred image, aux included, goes to
// out[j * columns.size() + i]. Neither list may decrease.
//
// The source is asked for each row it is asked for once, in increasing
// order: the rows within the radius of a listed row. A row is used up
// before the next one is asked for. Out row j (columns.size() pixels from
// out + j * columns.size()) is written after every row up to
// min(rows[j] + radius, height - 1) has been asked for and before any
// later row is. So out may share memory with the rows' storage as long as
// writing out row j leaves what the source reads for every row after
// rows[j] as it was. For ImageRows over the image's own array that holds
// when every out row ends where the image's Pixel row it samples ends or
// before: (j + 1) * columns.size() <= (rows[j] + 1) * nx for every j.
void weighted_blur_sampled(RowSource &source, int32_t radius, double weight,
                           std::span<const int32_t> columns, std::span<const int32_t> rows,
                           Pixel *out);

// Moves each sample one step toward the truncated mean of its full window
// when it lies at least one step away from it. r, g and b share
// rgb_radius and have a step each; aux has a radius and step of its own.
// Samples nearer a line end than the radius keep their value in that pass.
void region_noise_reduction(Image &image, int32_t rgb_radius, int32_t r_step, int32_t g_step,
                            int32_t b_step, int32_t aux_radius, int32_t aux_step);
void region_noise_reduction_plain(Image &image, int32_t rgb_radius, int32_t r_step,
                                  int32_t g_step, int32_t b_step, int32_t aux_radius,
                                  int32_t aux_step);

}  // namespace photofilter
