#include "rod_set.hpp"

#include <algorithm>
#include <cmath>

namespace rodscene {

void leave_out(rod_tally& t, left_out why, std::int64_t line) {
  int k = static_cast<int>(why);
  if (t.left[k]++ == 0) t.first_left_line[k] = line;
}

namespace {

// Components whose squares, summed, stay normal extended reals.
constexpr long double min_unscaled = 1e-2000L;
constexpr long double max_unscaled = 1e2000L;

void count_length(rod_tally& t, long double length, std::int64_t line) {
  long double deviation = std::fabs(length - 1);
  if (!(deviation > unit_tolerance)) return;
  if (t.not_unit++ == 0) t.first_not_unit_line = line;
  t.max_deviation = std::max(t.max_deviation, static_cast<double>(deviation));
}

}  // namespace

void keep_rod(rod_set& rods, rod_tally& t, const long double* p,
              const long double* d, std::int64_t line) {
  double at[3] = {static_cast<double>(p[0]), static_cast<double>(p[1]),
                  static_cast<double>(p[2])};
  if (!std::isfinite(at[0]) || !std::isfinite(at[1]) || !std::isfinite(at[2])) {
    leave_out(t, left_out::position, line);
    return;
  }
  // A NaN compares false both ways: std::max would pass it over.
  bool finite =
      std::isfinite(d[0]) && std::isfinite(d[1]) && std::isfinite(d[2]);
  long double m = std::max({std::fabs(d[0]), std::fabs(d[1]), std::fabs(d[2])});
  if (!finite || !(m > 0)) {
    leave_out(t, left_out::direction, line);
    return;
  }
  // Far from the format's limits the squares neither overflow nor vanish;
  // beyond them the direction is scaled by its largest component first.
  long double u[3] = {d[0], d[1], d[2]};
  long double scale = 1;
  if (m < min_unscaled || m > max_unscaled) {
    scale = m;
    for (long double& v : u)
      v /= m;
  }
  long double s = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
  count_length(t, scale * s, line);
  long double inverse = 1 / s;
  rods.positions.insert(rods.positions.end(), at, at + 3);
  for (long double v : u)
    rods.directions.push_back(static_cast<double>(v * inverse));
  rods.lines.push_back(line);
}

void reserve_rods(rod_set& rods, std::int64_t n) {
  auto k = static_cast<std::size_t>(std::max<std::int64_t>(n, 0));
  rods.positions.reserve(3 * k);
  rods.directions.reserve(3 * k);
  rods.lines.reserve(k);
}

}  // namespace rodscene
