#include "page_numbers.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace rodscene {
namespace {

constexpr double infinity = std::numeric_limits<double>::infinity();

// A rod's nine values before quantising, as numpy forms them from the
// float64 glyph: (tail + head) / 2, (head - tail) / 2 and cap - tail.
void rod_values(const glyph_rows& g, std::size_t i, double v[rod_fields]) {
  const double* tail = g.ends + 6 * i;
  const double* head = tail + 3;
  const double* cap = g.caps + 3 * i;
  for (int k = 0; k < 3; ++k) {
    v[k] = (tail[k] + head[k]) / 2;
    v[3 + k] = (head[k] - tail[k]) / 2;
    v[6 + k] = cap[k] - tail[k];
  }
}

// A dot product summed x, y, then z, as camera.py's along() sums it.
double dot(const double* p, const double* axis) {
  return p[0] * axis[0] + p[1] * axis[1] + p[2] * axis[2];
}

}  // namespace

std::size_t pack_rods(const glyph_rows& g, std::int16_t* rods,
                      double table[decode_fields]) {
  // Two passes over the glyphs, each rod's values worked out afresh in
  // both: cheaper than storage for them, whose fresh pages cost more.
  double low[rod_fields], high[rod_fields], v[rod_fields];
  std::fill(low, low + rod_fields, infinity);
  std::fill(high, high + rod_fields, -infinity);
  std::size_t teal_count = 0;
  for (std::size_t i = 0; i < g.count; ++i) {
    rod_values(g, i, v);
    for (int k = 0; k < rod_fields; ++k) {
      low[k] = std::min(low[k], v[k]);
      high[k] = std::max(high[k], v[k]);
    }
    teal_count += g.teal[i] ? 1 : 0;
  }
  for (int q = 0; q < 3; ++q) {
    double* decode = table + 4 * q;
    double reach = -infinity;  // the largest high - origin
    for (int k = 0; k < 3; ++k) {
      int f = 3 * q + k;
      decode[k] = g.count != 0 ? (low[f] + high[f]) / 2 : 0.0;
      reach = std::max(reach, high[f] - decode[k]);
    }
    double step = g.count != 0 ? reach / quantise_levels : 0.0;
    decode[3] = step != 0.0 ? step : 1.0;
  }
  // Teal rods first, then the others, each in the glyphs' order.
  std::int16_t* out[2] = {rods, rods + teal_count * rod_fields};
  for (std::size_t i = 0; i < g.count; ++i) {
    rod_values(g, i, v);
    std::int16_t*& r = out[g.teal[i] ? 0 : 1];
    for (int f = 0; f < rod_fields; ++f) {
      const double* decode = table + 4 * (f / 3);
      // |v - origin| / step is at most quantise_levels and a half ulp:
      // the nearest integer fits 16 bits.
      *r++ = static_cast<std::int16_t>(
          std::nearbyint((v[f] - decode[f % 3]) / decode[3]));
    }
  }
  return teal_count;
}

void frame_extents(const glyph_rows& g, const double axes[9],
                   const double tan[2], double pad, double out[extent_fields]) {
  // Kept in locals, which out (a pointer that might alias the glyphs)
  // would not let the compiler hold in registers.
  double e[extent_fields];
  const double r[9] = {axes[0], axes[1], axes[2], axes[3], axes[4],
                       axes[5], axes[6], axes[7], axes[8]};
  const double tx = tan[0], ty = tan[1];
  for (int k = 0; k < 6; k += 2) {
    e[k] = infinity;
    e[k + 1] = -infinity;
  }
  std::fill(e + 6, e + extent_fields, -infinity);
  for (std::size_t i = 0; i < g.count; ++i) {
    for (const double* p :
         {g.ends + 6 * i, g.ends + 6 * i + 3, g.caps + 3 * i}) {
      double across = dot(p, r), upward = dot(p, r + 3);
      double depth = dot(p, r + 6);
      e[0] = std::min(e[0], across);
      e[1] = std::max(e[1], across);
      e[2] = std::min(e[2], upward);
      e[3] = std::max(e[3], upward);
      e[4] = std::min(e[4], depth);
      e[5] = std::max(e[5], depth);
      e[6] = std::max(e[6], across + pad - tx * depth);
      e[7] = std::max(e[7], -across + pad - tx * depth);
      e[8] = std::max(e[8], upward + pad - ty * depth);
      e[9] = std::max(e[9], -upward + pad - ty * depth);
    }
  }
  std::copy(e, e + extent_fields, out);
}

}  // namespace rodscene
