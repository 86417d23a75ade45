// Writes the benchmarks' photo-like image as a P6 on standard output, for
// timing whole processes side by side with other tools.
//   photofilter_make_photo [width height] > photo.ppm
#include <cstdio>
#include <cstdlib>

#include "image/errors.h"
#include "image/ppm_io.h"
#include "photo_like.h"

int main(int argc, char **argv) {
  const int width = argc > 2 ? std::atoi(argv[1]) : 6000;
  const int height = argc > 2 ? std::atoi(argv[2]) : 4000;
  if (width < 1 || height < 1) {
    std::fprintf(stderr, "usage: photofilter_make_photo [width height] > photo.ppm\n");
    return 1;
  }
  try {
    const photofilter::Image photo = photofilter::bench::photo_like_image(width, height);
    photofilter::write_image(photo, stdout);
  } catch (const photofilter::RunError &error) {
    std::fputs(error.what(), stderr);
    return 1;
  }
  return 0;
}
