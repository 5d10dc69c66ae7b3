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

// Linear values from 0 to 1 in equal buckets, and the steps below each
// bucket's start: a value's byte is counted up from its bucket's.
constexpr int buckets = 4096;

const std::array<std::uint8_t, buckets>& below() {
  static const std::array<std::uint8_t, buckets> made = [] {
    const auto& t = steps();
    std::array<std::uint8_t, buckets> b{};
    for (int k = 0; k < buckets; ++k) {
      b[k] = std::uint8_t(
          std::upper_bound(t.begin(), t.end(), double(k) / buckets) -
          t.begin());
    }
    return b;
  }();
  return made;
}

}  // namespace

std::uint8_t srgb_byte(double linear) {
  const auto& t = steps();
  if (!(linear >= 0 && linear < 1)) {
    return std::uint8_t(std::upper_bound(t.begin(), t.end(), linear) -
                        t.begin());
  }
  int k = below()[int(linear * buckets)];
  while (k < 255 && t[k] <= linear)
    ++k;
  return std::uint8_t(k);
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
