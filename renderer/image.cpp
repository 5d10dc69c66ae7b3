#include "image.hpp"

#include <algorithm>
#include <array>
#include <cmath>

namespace rodscene::render {

namespace {

double decoded(double e) {
  return e <= 0.04045 ? e / 12.92 : std::pow((e + 0.055) / 1.055, 2.4);
}

// The linear values at which the written byte steps up: byte k begins
// where the encoded value times 255 reaches k - 0.5.
const std::array<double, 255>& steps() {
  static const std::array<double, 255> made = [] {
    std::array<double, 255> t{};
    for (int k = 1; k <= 255; ++k)
      t[k - 1] = decoded((k - 0.5) / 255.0);
    return t;
  }();
  return made;
}

}  // namespace

std::uint8_t srgb_byte(double linear) {
  const auto& t = steps();
  return std::uint8_t(std::upper_bound(t.begin(), t.end(), linear) - t.begin());
}

std::vector<std::uint8_t> encode(const std::vector<sample>& samples,
                                 bool alpha) {
  std::vector<std::uint8_t> out;
  out.reserve(samples.size() * (alpha ? 4 : 3));
  for (const sample& s : samples) {
    double k = alpha && s.a > 0 ? 1.0 / s.a : 1.0;
    out.push_back(srgb_byte(s.r * k));
    out.push_back(srgb_byte(s.g * k));
    out.push_back(srgb_byte(s.b * k));
    if (alpha) out.push_back(std::uint8_t(std::lround(s.a * 255.0)));
  }
  return out;
}

}  // namespace rodscene::render
