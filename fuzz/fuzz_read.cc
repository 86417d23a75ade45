// Fuzzes the image reader: the input is the file on standard input. A bad
// header or short pixel data must end in RunError; an image that is read
// holds byte-range samples, aux 0, and is written back whole.
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "image/errors.h"
#include "image/image.h"
#include "image/ppm_io.h"

using namespace photofilter;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::string file(reinterpret_cast<const char *>(data), size);
  std::FILE *in = fmemopen(file.data(), file.size(), "r");
  fuzz::require(in != nullptr, "fmemopen failed\n");
  fuzz::SilencedLog silenced;
  Image image;
  try {
    read_image(image, in);
  } catch (const RunError &) {
    std::fclose(in);
    return 0;
  }
  std::fclose(in);
  for (int64_t i = 0; i < image.pixel_count(); ++i) {
    const Pixel &p = image.pixels[i];
    fuzz::require(p.r >= 0 && p.r <= 255 && p.g >= 0 && p.g <= 255 && p.b >= 0 && p.b <= 255,
                  "a sample read lies outside 0..255\n");
    fuzz::require(p.aux == 0, "aux is not 0 after reading\n");
  }
  fuzz::MemoryOutput out;
  write_image(image, out.stream());
  out.closed_elsewhere();
  fuzz::require_whole_image(out.bytes());
  return 0;
}
