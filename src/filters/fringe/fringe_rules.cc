#include "filters/fringe/fringe_rules.h"

#include <algorithm>

#include "image/sample.h"

namespace photofilter {

using Extended = long double;

WindowStatistics sampled_statistics(const Image &image, int32_t x, int32_t y, int64_t radius) {
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
  return statistics;
}

bool has_dark_pixel(const WindowStatistics &statistics, const Pixel &centre, double slimit) {
  return !(quotient(statistics.sum_min(), 255) >
           quotient(centre.g, 255) * (static_cast<Extended>(slimit) + 1) * 0.5);
}

template <typename Fringe>
bool leaves_alone(const Pixel &p, long double centre_share, double cfak) {
  constexpr int16_t Pixel::*c = Fringe::fringe;
  const Extended own_share = Fringe::share_of_centre ? centre_share : share(p, c);
  if (own_share < cfak && quotient(p.*c, p.g + 1) < static_cast<Extended>(cfak) - 0.2) return true;
  if (quotient(p.*c, p.*Fringe::opposite + 1) < static_cast<Extended>(cfak) - 0.5) return true;
  if (quotient(p.r, p.g + 1) < 0.4) return true;
  return too_green(p.g);
}

int16_t pulled_towards(int16_t c, int16_t m) {
  return truncate_to_sample((static_cast<Extended>(c) + 0.5 * m) / 1.5);
}

template <typename Fringe>
void correct_fringes(Image &image, const FringeCorrectionPlan &plan) {
  constexpr int16_t Pixel::*c = Fringe::fringe;
  const FringeParameters &p = plan.grid;
  for_each_centre(image, p, [&](int32_t x, int32_t y) {
    const Pixel centre = image.at(x, y);
    const Extended centre_share = share(centre, Fringe::fringe);
    if (!bright_enough(p.slimit, centre.g)) return;
    const WindowStatistics statistics = sampled_statistics(image, x, y, plan.stat_radius);
    if (!has_dark_pixel(statistics, centre, p.slimit)) return;
    for (int32_t j = y - p.extent; j <= y + p.extent; ++j) {
      for (int32_t i = x - p.extent; i <= x + p.extent; ++i) {
        Pixel &q = image.at(i, j);
        if (leaves_alone<Fringe>(q, centre_share, plan.cfak)) continue;
        const int16_t m = std::min({q.*c, image.at(i - 1, j - 1).*c, image.at(i + 1, j - 1).*c,
                                    image.at(i - 1, j + 1).*c, image.at(i + 1, j + 1).*c});
        q.*c = pulled_towards(q.*c, m);
      }
    }
  });
}

template bool leaves_alone<RedFringe>(const Pixel &, long double, double);
template bool leaves_alone<BlueFringe>(const Pixel &, long double, double);
template void correct_fringes<RedFringe>(Image &, const FringeCorrectionPlan &);
template void correct_fringes<BlueFringe>(Image &, const FringeCorrectionPlan &);

int16_t mean_with_minimum(int32_t r, int32_t r_min) {
  return truncate_to_sample((static_cast<Extended>(r) + r_min) * 0.5);
}

WindowStatistics diagonal_statistics(const Image &image, int32_t i, int32_t j) {
  WindowStatistics statistics;
  for (int32_t y = std::max(j - 1, 0); y <= std::min(j + 1, image.ny - 1); y += 2) {
    for (int32_t x = std::max(i - 1, 0); x <= std::min(i + 1, image.nx - 1); x += 2) {
      statistics.add(image.at(x, y));
    }
  }
  return statistics;
}

int64_t correct_rfc1(Image &image, const FringeParameters &p) {
  int64_t corrected = 0;
  for_each_centre(image, p, [&](int32_t x, int32_t y) {
    const Pixel centre = image.at(x, y);
    if (!bright_enough(p.slimit, centre.g)) return;
    const Extended level = quotient(int32_t{centre.r} + centre.g + centre.b, 765);
    const Extended limit = p.slimit * level;
    for (int32_t j = y - p.extent; j <= y + p.extent; ++j) {
      for (int32_t i = x - p.extent; i <= x + p.extent; ++i) {
        Pixel &q = image.at(i, j);
        const int32_t sum = int32_t{q.r} + q.g + q.b;
        if (!darker_than(sum, limit)) continue;
        const int32_t r_min = diagonal_statistics(image, i, j).r_min();
        if (r_min > q.r || too_bright(sum)) continue;
        q.r = mean_with_minimum(q.r, r_min);
        ++corrected;
      }
    }
  });
  return corrected;
}

}  // namespace photofilter
