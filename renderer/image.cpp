#include "image.hpp"

#include <algorithm>
#include <cmath>

namespace rodscene::render {

std::uint8_t srgb_byte(double linear) {
  double c = std::clamp(linear, 0.0, 1.0);
  double e = c <= 0.0031308 ? 12.92 * c : 1.055 * std::pow(c, 1 / 2.4) - 0.055;
  return std::uint8_t(std::lround(e * 255.0));
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
