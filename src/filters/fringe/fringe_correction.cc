// "-rfc" and "-bfc factor,slimit,extent,xyinc": red and blue fringes next
// to bright highlights. Centres on a coarse grid whose green is near
// saturation and whose sampled neighbourhood holds a dark pixel get a
// square window in which every pixel dominated by the fringe colour is
// pulled towards the smallest value of that colour among itself and its
// diagonal neighbours. Corrections are written in place, so later pixels
// and later windows see them. The two commands share all of this and
// differ only in the channel they correct and in whose share of that
// channel the first window test reads.
#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

#include "filters/fringe/fringe_commands.h"
#include "filters/fringe/fringe_grid.h"
#include "filters/fringe/quotient_below.h"
#include "image/step_timer.h"
#include "image/window_statistics.h"

namespace photofilter {
namespace {

struct RedFringe {
  static constexpr int16_t Pixel::*fringe = &Pixel::r;
  static constexpr int16_t Pixel::*opposite = &Pixel::b;
  static constexpr bool share_of_centre = true;  // else the window pixel's own share
  static constexpr const char *tag = "krc";
  static constexpr const char *step_label = "red frings correction";
};

struct BlueFringe {
  static constexpr int16_t Pixel::*fringe = &Pixel::b;
  static constexpr int16_t Pixel::*opposite = &Pixel::r;
  static constexpr bool share_of_centre = false;
  static constexpr const char *tag = "kbc";
  static constexpr const char *step_label = "blue frings correction";
};

// 3 c / (r + g + b + 1) of the channel c, in extended precision.
long double share(const Pixel &p, int16_t Pixel::*channel) {
  return static_cast<long double>(3 * int32_t{p.*channel}) /
         static_cast<long double>(int32_t{p.r} + p.g + p.b + 1);
}

// What the window tests say about a pixel: it passes whatever the centre,
// or only when the centre's red share is not below cfak, or never.
struct Verdict {
  bool passes = false;
  bool passes_if_share_not_below = false;
};

// The four tests that leave a window pixel alone, with the limits that
// follow from `factor` (cfak = 0.5 / factor + 1.01; the differences are
// formed in extended precision from the double cfak):
//   share < cfak and fringe / (g + 1) < cfak - 0.2,
//   fringe / (opposite + 1) < cfak - 0.5,
//   r / (g + 1) < 0.4,
//   g / 255 > 0.6.
// They are pure tests of values read together, so the cheapest go first.
class WindowTests {
 public:
  explicit WindowTests(double cfak)
      : cfak_(cfak),
        ratio_low_(static_cast<long double>(cfak) - 0.2),
        opposite_low_(static_cast<long double>(cfak) - 0.5),
        red_green_low_(0.4) {}

  double cfak() const { return cfak_; }

  template <typename Fringe>
  Verdict verdict(const Pixel &p) const {
    if (p.g >= 153) return {};  // g / 255 > 0.6 exactly from 153 on
    if (red_green_low_(p.r, p.g + 1)) return {};
    if (opposite_low_(p.*Fringe::fringe, p.*Fringe::opposite + 1)) return {};
    if (!ratio_low_(p.*Fringe::fringe, p.g + 1)) return {true, false};
    if (Fringe::share_of_centre) return {false, true};
    return {!(share(p, Fringe::fringe) < cfak_), false};
  }

 private:
  double cfak_;
  QuotientBelow ratio_low_;
  QuotientBelow opposite_low_;
  QuotientBelow red_green_low_;
};

// trunc((c + 0.5 m) / 1.5) in extended precision. The exact quotient is
// (2c + m) / 3, an integer or a third away from one, so rounding never
// carries it across an integer and integer division gives the same value.
int16_t pulled_towards(int16_t c, int16_t m) {
  return static_cast<int16_t>((2 * int32_t{c} + m) / 3);
}

// The verdicts of the window tests, remembered per pixel. A pixel's
// samples change only when it is corrected, and then its verdict is worked
// out anew, so a remembered verdict holds until then. Windows of
// neighbouring centres overlap so much that each pixel near a highlight
// would otherwise be tested hundreds of times; with the verdicts in bit
// masks a window row costs a few word operations plus its passing pixels.
// A verdict is worked out when a window first reaches the pixel.
class VerdictMaps {
 public:
  VerdictMaps(int32_t nx, int32_t ny)
      : words_per_row_((int64_t{nx} + 63) / 64), words_(words_per_row_ * ny) {}

  template <typename Fringe>
  void correct_row(Image &image, int32_t j, int32_t first, int32_t last, const WindowTests &tests,
                   bool centre_share_below) {
    constexpr int16_t Pixel::*c = Fringe::fringe;
    const Pixel *above = image.row(j - 1);
    Pixel *row = image.row(j);
    const Pixel *below = image.row(j + 1);
    Word *words = words_.data() + j * words_per_row_;
    for (int32_t w = first / 64; w <= last / 64; ++w) {
      const int32_t base = w * 64;
      Word &word = words[w];
      const uint64_t in_window =
          bits_between(std::max(first, base) - base, std::min(last, base + 63) - base);
      for (uint64_t unknown = in_window & ~word.known; unknown != 0; unknown &= unknown - 1) {
        const int bit = __builtin_ctzll(unknown);
        word.record(bit, tests.verdict<Fringe>(row[base + bit]));
      }
      word.known |= in_window;
      uint64_t passing = word.passes | (centre_share_below ? 0 : word.passes_if_share_not_below);
      for (passing &= in_window; passing != 0; passing &= passing - 1) {
        const int bit = __builtin_ctzll(passing);
        const int32_t i = base + bit;
        Pixel &p = row[i];
        const int16_t m =
            std::min({p.*c, above[i - 1].*c, above[i + 1].*c, below[i - 1].*c, below[i + 1].*c});
        p.*c = pulled_towards(p.*c, m);
        word.record(bit, tests.verdict<Fringe>(p));
      }
    }
  }

 private:
  struct Word {
    uint64_t known = 0;
    uint64_t passes = 0;
    uint64_t passes_if_share_not_below = 0;

    void record(int bit, Verdict verdict) {
      const uint64_t mask = uint64_t{1} << bit;
      passes = verdict.passes ? passes | mask : passes & ~mask;
      passes_if_share_not_below = verdict.passes_if_share_not_below
                                      ? passes_if_share_not_below | mask
                                      : passes_if_share_not_below & ~mask;
    }
  };

  // Bits low..high of a word, 0 <= low <= high <= 63.
  static uint64_t bits_between(int32_t low, int32_t high) {
    return (~uint64_t{0} >> (63 - high)) & (~uint64_t{0} << low);
  }

  int64_t words_per_row_;
  std::vector<Word> words_;
};

// The statistics window of half-size `radius` around (x, y), clipped to
// the image and read every 2 radius pixels from its low corner; a radius
// of 0 reads the centre alone.
void gather_statistics(Image &image, int32_t x, int32_t y, int64_t radius) {
  const int64_t step = radius > 0 ? 2 * radius : 1;
  const int64_t top = std::max<int64_t>(y - radius, 0);
  const int64_t bottom = std::min<int64_t>(y + radius, image.ny - 1);
  const int64_t left = std::max<int64_t>(x - radius, 0);
  const int64_t right = std::min<int64_t>(x + radius, image.nx - 1);
  WindowStatistics statistics;
  for (int64_t j = top; j <= bottom; j += step) {
    const Pixel *row = image.row(static_cast<int32_t>(j));
    for (int64_t i = left; i <= right; i += step) statistics.add(row[i]);
  }
  statistics.store_into(image);
}

template <typename Fringe>
void fringe_correction(const char *word, Image &image) {
  const FringeParameters p = scan_fringe_parameters(word, image);
  log_fringe_parameters(Fringe::tag, p);
  const WindowTests tests(0.5 / p.factor + 1.01);
  std::fprintf(stderr, "%s using cfak %g \n", Fringe::tag, tests.cfak());
  const int64_t stat_radius = (int64_t{image.nx} + image.ny) / 500;
  const long double slimit_plus_one = static_cast<long double>(p.slimit) + 1;
  const int32_t bright_green = first_bright_green(p.slimit);
  std::optional<VerdictMaps> verdicts;  // made for the first window

  for_each_centre(image, p, [&](int32_t x, int32_t y) {
    const Pixel centre = image.at(x, y);
    if (centre.g < bright_green) return;
    gather_statistics(image, x, y, stat_radius);
    const long double green_level = static_cast<long double>(centre.g) / 255;
    if (static_cast<long double>(image.sum_min) / 255 > green_level * slimit_plus_one * 0.5) {
      return;
    }
    const bool centre_share_below =
        Fringe::share_of_centre && share(centre, Fringe::fringe) < tests.cfak();
    if (!verdicts) verdicts.emplace(image.nx, image.ny);
    for (int32_t j = y - p.extent; j <= y + p.extent; ++j) {
      verdicts->correct_row<Fringe>(image, j, x - p.extent, x + p.extent, tests,
                                    centre_share_below);
    }
  });
  step_timer(Fringe::step_label);
}

}  // namespace

void red_fringe_correction(const char *word, Image &image) {
  fringe_correction<RedFringe>(word, image);
}

void blue_fringe_correction(const char *word, Image &image) {
  fringe_correction<BlueFringe>(word, image);
}

}  // namespace photofilter
