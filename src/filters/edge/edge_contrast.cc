// "-ec" and "-ec1 gain,radius,weight,max": every pixel is scaled by one
// factor that grows with how much brighter it is than a blurred copy of
// the image, so edges gain contrast while hue is kept. The two commands
// differ only in the factor's formula and clamp.
#include <cstdio>

#include "filters/edge/edge_commands.h"
#include "filters/edge/edge_contrast_bands.h"
#include "filters/edge/edge_contrast_scaling.h"
#include "image/step_timer.h"

namespace photofilter {
namespace {

struct EdgeContrastParameters {
  double gain = 1.0;
  int radius = 1;
  double weight = 1.0;
  int max = 255;
};

EdgeContrastParameters edge_contrast_plan(const char *word) {
  EdgeContrastParameters p;
  std::sscanf(word, "%lf,%d,%lf,%d", &p.gain, &p.radius, &p.weight, &p.max);
  std::fprintf(stderr, "edge contrast gain %g radius %d weight %g max %d\n", p.gain, p.radius,
               p.weight, p.max);
  return p;
}

template <typename AnyImage>
void edge_contrast_with(const EdgeContrastParameters &p, AnyImage &image, EdgeFactor kind) {
  const EdgeScaler scaler(p.gain, p.max, kind);
  EdgeBands bands(image, p.radius, p.weight, edge_band_rows(p.radius, image.nx, image.ny));
  for (int k = 0; k < p.radius; ++k) {
    std::fprintf(stderr, "wblur %d radius %d weight %g\n", k, p.radius, p.weight);
  }
  bands.blur_and_scale(image, scaler);
  step_timer("edge contrast done");
}

// An image held as bytes stays bytes only when it is written next, where
// the results are clamped to bytes anyway.
void edge_contrast_on_bytes(const char *word, WorkingImage &image, bool written_next,
                            EdgeFactor kind) {
  const EdgeContrastParameters p = edge_contrast_plan(word);
  if (written_next) {
    edge_contrast_with(p, image.bytes(), kind);
  } else {
    edge_contrast_with(p, image.widened(), kind);
  }
}

}  // namespace

void edge_contrast(const char *word, Image &image) {
  edge_contrast_with(edge_contrast_plan(word), image, EdgeFactor::kOverBrightness);
}

void edge_contrast1(const char *word, Image &image) {
  edge_contrast_with(edge_contrast_plan(word), image, EdgeFactor::kOverBlurredBrightness);
}

void edge_contrast_bytes(const char *word, WorkingImage &image, bool written_next) {
  edge_contrast_on_bytes(word, image, written_next, EdgeFactor::kOverBrightness);
}

void edge_contrast1_bytes(const char *word, WorkingImage &image, bool written_next) {
  edge_contrast_on_bytes(word, image, written_next, EdgeFactor::kOverBlurredBrightness);
}

}  // namespace photofilter
