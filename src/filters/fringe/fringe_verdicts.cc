// The fringe corrections with remembered window tests. Windows of
// neighbouring centres overlap so much that each pixel near a highlight
// would otherwise be tested hundreds of times; with the verdicts in bit
// masks a window row costs a few word operations plus its passing pixels.
//
// Contract: correct_fringes_by_verdicts<Fringe> equals
// correct_fringes<Fringe> for every image and plan. Proof:
// - Centres, their order, the brightness test (first_bright_green), the
//   statistics and the dark test are those of the plain rule.
// - A pixel's verdict is leaves_alone<Fringe> split by what it reads: the
//   tests on the pixel's own samples (QuotientBelow and kFirstTooGreen,
//   which equal the plain quotients) and, for "-rfc", whether the centre's
//   red share is below cfak, which is fixed per centre. The tests are pure,
//   so their order does not matter.
// - A verdict reads only the pixel's own samples, which change only when
//   the pixel is corrected; its verdict is then worked out anew. So a
//   remembered verdict always equals the plain tests at the visit.
// - Passing pixels of a window row are corrected left to right, each
//   reading its diagonal neighbours in the rows above and below, as the
//   plain rule does; pulled_towards_exactly equals pulled_towards.
#include "filters/fringe/fringe_verdicts.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "filters/fringe/fringe_quotients.h"
#include "filters/fringe/fringe_rules.h"

namespace photofilter {
namespace {

// What the window tests say about a pixel: it passes whatever the centre,
// or only when the centre's red share is not below cfak, or never.
struct Verdict {
  bool passes = false;
  bool passes_if_share_not_below = false;
};

// leaves_alone with the quotient limits as tables; cheapest tests first.
class WindowTests {
 public:
  explicit WindowTests(double cfak)
      : cfak_(cfak),
        ratio_low_(static_cast<long double>(cfak) - 0.2),
        opposite_low_(static_cast<long double>(cfak) - 0.5),
        red_green_low_(0.4) {}

  template <typename Fringe>
  Verdict verdict(const Pixel &p) const {
    if (p.g >= kFirstTooGreen) return {};
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

// The verdicts, remembered per pixel; a verdict is worked out when a
// window first reaches the pixel.
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
        p.*c = pulled_towards_exactly(p.*c, m);
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

}  // namespace

template <typename Fringe>
void correct_fringes_by_verdicts(Image &image, const FringeCorrectionPlan &plan) {
  const FringeParameters &p = plan.grid;
  const WindowTests tests(plan.cfak);
  const int32_t bright_green = first_bright_green(p.slimit);
  std::optional<VerdictMaps> verdicts;  // made for the first window
  for_each_centre(image, p, [&](int32_t x, int32_t y) {
    const Pixel centre = image.at(x, y);
    if (centre.g < bright_green) return;
    if (!has_dark_pixel(sampled_statistics(image, x, y, plan.stat_radius), centre, p.slimit)) {
      return;
    }
    const bool centre_share_below =
        Fringe::share_of_centre && share(centre, Fringe::fringe) < plan.cfak;
    if (!verdicts) verdicts.emplace(image.nx, image.ny);
    for (int32_t j = y - p.extent; j <= y + p.extent; ++j) {
      verdicts->correct_row<Fringe>(image, j, x - p.extent, x + p.extent, tests,
                                    centre_share_below);
    }
  });
}

template void correct_fringes_by_verdicts<RedFringe>(Image &, const FringeCorrectionPlan &);
template void correct_fringes_by_verdicts<BlueFringe>(Image &, const FringeCorrectionPlan &);

}  // namespace photofilter
