// The two shared separable kernels. Both change the image in place with a
// horizontal pass over every row followed by a vertical pass over every
// column, and both treat a negative radius as 0.
#pragma once

#include <cstdint>
#include <span>

#include "image/image.h"

namespace photofilter {

// Pulls r, g and b toward the mean of a window of 2*radius+1 samples along
// the row, then along the column; windows are cut off at the line ends.
// A weight of -0.001 or below selects step mode: each sample moves by
// trunc(0.999 - weight) toward the truncated mean. Otherwise each sample
// becomes (weight*sum/count + v) / (weight + 1), truncated. aux is kept.
void weighted_blur(Image &image, int32_t radius, double weight);

// What weighted_blur(image, radius, weight) leaves at a few points, without
// blurring the whole image: pixel (columns[i], rows[j]) of the blurred image,
// aux included, goes to out[j * columns.size() + i]. Neither list may
// decrease. Only the rows within the radius of a listed row are read, and
// the rule is applied only where a listed point needs it. The image itself
// is not changed, except that out may be the image's own array when every
// out row ends where the image row it samples ends or before:
// (j + 1) * columns.size() <= (rows[j] + 1) * nx for every j. The rows that
// out then overwrites are no longer read.
void weighted_blur_sampled(Image &image, int32_t radius, double weight,
                           std::span<const int32_t> columns, std::span<const int32_t> rows,
                           Pixel *out);

// Moves each sample one step toward the truncated mean of its full window
// when it lies at least one step away from it. r, g and b share
// rgb_radius and have a step each; aux has a radius and step of its own.
// Samples nearer a line end than the radius keep their value in that pass.
void region_noise_reduction(Image &image, int32_t rgb_radius, int32_t r_step, int32_t g_step,
                            int32_t b_step, int32_t aux_radius, int32_t aux_step);

}  // namespace photofilter
