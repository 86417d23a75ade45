// "-cr" on an image still held as read: the rectangle's rows are moved to
// the place of the smaller image in the same memory, and it stays bytes.
#include <cstring>
#include <optional>
#include <utility>

#include "filters/geometry/crop.h"
#include "filters/geometry/geometry_commands.h"
#include "image/step_timer.h"

namespace photofilter {
namespace {

// The place of the smaller image starts no later than the source rows, so
// every row lands at or before its source and before the next source row:
// the rows it overwrites have been moved already.
void cut_out(const Rectangle &r, ByteImage &image) {
  const int32_t width = r.width();
  const int32_t height = r.height();
  if (width == image.nx && height == image.ny) return;
  const size_t row_bytes = static_cast<size_t>(width) * 3;
  const size_t source_row_bytes = static_cast<size_t>(image.nx) * 3;
  const uint8_t *from = image.row(static_cast<int32_t>(r.y0)) + 3 * r.x0;
  uint8_t *to = byte_position(image.storage.get(), int64_t{width} * height);
  for (int32_t y = 0; y < height; ++y, from += source_row_bytes, to += row_bytes) {
    std::memmove(to, from, row_bytes);
  }
  image.replace(std::move(image.storage), width, height);
}

}  // namespace

void crop_bytes(const char *word, WorkingImage &working, bool) {
  ByteImage &image = working.bytes();
  const std::optional<Rectangle> r = crop_plan(word, image);
  if (!r) return;
  cut_out(*r, image);
  step_timer("croping done");
}

}  // namespace photofilter
