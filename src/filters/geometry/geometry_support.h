// What the geometry commands share: the arrays of their results, pixels
// carried over without their working value, the one way a result pixel is
// stored as a Pixel or as bytes, and the factors and new size of the two
// scaling commands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "image/image.h"
#include "image/multiversion.h"

namespace photofilter {

// A pixel array for a command's result. An array that does not fit into
// the machine's physical memory beside `working_bytes` of tables could
// never be filled, so it fails at once with the "out of memory" error
// instead of being attempted.
PixelArray allocate_result(int64_t count, const char *what, int64_t working_bytes = 0);

// The same refusal without the array, for a check of a command line.
void require_room_for_result(int64_t count, const char *what, int64_t working_bytes = 0);

// The array a command writes its result into: the source's own array when
// the result shrinks so that every result pixel lands at an index below
// those of the source pixels still to be read (no fresh memory is touched
// then), otherwise a new one. `release` hands it over for the image to
// take with the new size.
class ResultArray {
 public:
  ResultArray(PixelArray &source, int64_t count, bool in_place, const char *what,
              int64_t working_bytes = 0)
      : source_(source),
        fresh_(in_place ? PixelArray() : allocate_result(count, what, working_bytes)) {}
  Pixel *data() const { return fresh_ ? fresh_.get() : source_.get(); }
  PixelArray release() { return fresh_ ? std::move(fresh_) : std::move(source_); }

 private:
  PixelArray &source_;
  PixelArray fresh_;
};

// r, g and b of `pixel`; the working value aux is 0 in every result.
inline Pixel without_aux(const Pixel &pixel) { return Pixel{pixel.r, pixel.g, pixel.b, 0}; }

// Copies `count` pixels, setting aux to 0. `to` may lie before `from` in the
// same array.
void copy_without_aux(const Pixel *from, int64_t count, Pixel *to);

// A result is written as Pixels, or as bytes (3 a pixel) when the result of
// an image held as bytes stays bytes. A step of one pixel in a result:
template <typename Result>
constexpr int64_t kResultStep = std::is_same_v<Result, Pixel> ? 1 : 3;

// Stores r, g and b of a result pixel: as a Pixel with aux 0, or as bytes.
// Bytes are stored only for means of bytes, which are bytes themselves.
PHOTOFILTER_INLINE void store(Pixel *to, int16_t r, int16_t g, int16_t b) {
  *to = Pixel{r, g, b, 0};
}
PHOTOFILTER_INLINE void store(uint8_t *to, int16_t r, int16_t g, int16_t b) {
  to[0] = static_cast<uint8_t>(r);
  to[1] = static_cast<uint8_t>(g);
  to[2] = static_cast<uint8_t>(b);
}

// The same for a row of `width` result pixels whose aux is 0 already: as
// they are, or narrowed into bytes.
PHOTOFILTER_INLINE void store_row(const Pixel *row, int32_t width, Pixel *to) {
  std::memcpy(to, row, static_cast<size_t>(width) * sizeof(Pixel));
}
PHOTOFILTER_INLINE void store_row(const Pixel *row, int32_t width, uint8_t *to) {
  for (int32_t i = 0; i < width; ++i, to += 3) store(to, row[i].r, row[i].g, row[i].b);
}

// Sets aux of every pixel to 0: the result of a command that keeps the size
// and the array.
void clear_aux(Image &image);

// "fx,fy,weight" of "-sc" and "-ssc" with the new size they give.
struct ScaleFactors {
  double fx = 1.0;
  double fy = 0.0;
  double weight = 1.0;
  int32_t width = 0;
  int32_t height = 0;
  double bin_width = 0;   // 1/fx: source pixels per result column
  double bin_height = 0;  // 1/fy: source pixels per result row
};

// Scans the word. A negative fx and fy ask for the largest size of the
// image's aspect that fits into -fx by -fy pixels: both factors become the
// smaller of (margin - fx)/nx and (margin - fy)/ny. An fy of 0 or less is
// fx. Rejects a negative fx without a negative fy, and a new size below 1
// on either side.
ScaleFactors scale_factors(const char *word, const ImageHeader &image, double box_margin);

// Whether a scaling's result takes the source's own array: bins at least
// one source pixel wide and high read only at or after the result pixel's
// own index.
bool scales_in_place(const ScaleFactors &f);

// The array a scaling writes into, after which it logs the factors, the
// new size and the bin size under `name`. Bins at least one source pixel
// wide and high read only at or after the result pixel's own index, so a
// reduction reuses the source array.
ResultArray scaled_result(const char *name, const ScaleFactors &f, PixelArray &source);

// For a check of a command line: the refusal of scaled_result when the
// array would not fit, and its lines.
void check_scaled_result(const char *name, const ScaleFactors &f);

}  // namespace photofilter
