// Single pixel removal a row at a time, on flat runs of samples.
#pragma once

#include "image/image.h"

namespace photofilter {

// Equals remove_specks (single_pixel_removal.h) for every image.
void remove_specks_by_rows(Image &image, bool light, bool dark);

// Equals smooth_horizontal_extremes (single_pixel_removal.h) for every image.
void smooth_horizontal_extremes_by_rows(Image &image);

}  // namespace photofilter
