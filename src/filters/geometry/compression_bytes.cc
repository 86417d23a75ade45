// "-comp" on an image still held as read: means of bytes are bytes, so the
// block sums read the bytes and the result stays bytes.
#include <utility>

#include "filters/geometry/compression.h"
#include "filters/geometry/geometry_commands.h"
#include "image/step_timer.h"

namespace photofilter {

void compression_bytes(const char *word, WorkingImage &working, bool) {
  ByteImage &image = working.bytes();
  const CompressionPlan p = compression_plan(word, image);
  if (p.d > 1) {
    // The smaller image's bytes start no later than the source's, at
    // 5 * width * height: result row y ends at 5*width*height + 3*width*(y + 1)
    // <= 5*nx*ny + 3*nx*(y + 1)*d, where block row y + 1 starts, so the
    // result takes the source's own memory.
    uint8_t *to = byte_position(image.storage.get(), int64_t{p.width} * p.height);
    compress_fast(image.bytes(), image.nx, image.ny, p.d, to);
    image.replace(std::move(image.storage), p.width, p.height);
  }
  step_timer("compressing done");
}

}  // namespace photofilter
