// Channel tables applied to an image that may still be held as bytes.
#pragma once

#include "image/sample_table.h"
#include "image/byte_image.h"

namespace photofilter {

// Contract: what apply_channel_tables(image.widened(), tables) gives,
// written as bytes where the results of 0..255 are bytes or `written_next`
// clamps them to bytes anyway; otherwise the image is widened and the
// tables applied to its pixels. Proof: a byte's entry in the byte tables
// is its entry in the sample table, clamped to 0..255 only where the image
// is written next. The image must hold bytes.
void apply_channel_tables(WorkingImage &image, const ChannelTables &tables, bool written_next);

}  // namespace photofilter
