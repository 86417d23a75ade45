// "-ec", "-ec1" and "-t" on an image still held as bytes, with the plans
// and transformations of their handlers. The test filter's block means of
// bytes are bytes; the edge-contrast results are not, so that image stays
// bytes only when it is written next, where the results are clamped to
// bytes anyway, and is widened otherwise.
#include "filters/edge/edge_bytes.h"

#include <vector>

#include "filters/edge/edge_commands.h"
#include "filters/edge/edge_contrast.h"
#include "filters/edge/test_filter.h"
#include "image/block_mean.h"
#include "image/step_timer.h"

namespace photofilter {

ByteEdgeRows::ByteEdgeRows(ByteImage &image) : EdgeRows(image.nx, image.ny), image_(image) {}

void ByteEdgeRows::copy_row(int32_t y, Pixel *to) const {
  widen_rgb8_row(image_.row(y), to, width());
}

// Rows may be scaled on several threads at once: each widens into a row of
// its own.
void ByteEdgeRows::scale_row(int32_t y, const Pixel *blurred, const EdgeScaler &scaler) {
  thread_local std::vector<Pixel> row;
  row.resize(static_cast<size_t>(width()));
  uint8_t *bytes = image_.row(y);
  widen_rgb8_row(bytes, row.data(), width());
  scaler.scale_row(row.data(), blurred, width());
  narrow_row_to_bytes(row.data(), width(), bytes);
}

namespace {

void edge_contrast_on_bytes(const char *word, WorkingImage &image, bool written_next,
                            EdgeFactor kind) {
  const EdgeContrastPlan p = plan_edge_contrast(word);
  if (written_next) {
    ByteEdgeRows rows(image.bytes());
    apply_edge_contrast(p, kind, rows);
  } else {
    ImageEdgeRows rows(image.widened());
    apply_edge_contrast(p, kind, rows);
  }
}

}  // namespace

void edge_contrast_bytes(const char *word, WorkingImage &image, bool written_next) {
  edge_contrast_on_bytes(word, image, written_next, EdgeFactor::kOverBrightness);
}

void edge_contrast1_bytes(const char *word, WorkingImage &image, bool written_next) {
  edge_contrast_on_bytes(word, image, written_next, EdgeFactor::kOverBlurredBrightness);
}

void test_filter_bytes(const char *word, WorkingImage &image, bool) {
  ByteImage &bytes = image.bytes();
  plan_test_filter(word, bytes);
  shrink_by_block_mean(bytes);
  step_timer("test done");
}

}  // namespace photofilter
