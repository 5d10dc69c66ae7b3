// The glyph of one site: a cylinder along its direction and a red end cap.
#pragma once

#include <cstddef>
#include <string_view>

#include "extended.hpp"
#include "scene_writer.hpp"

namespace rodscene {

enum class cylinder_colour { teal, blue };

inline constexpr std::string_view teal_pigment =
    "pigment { color rgb <0.000000, 0.800000, 0.673810>}";
inline constexpr std::string_view blue_pigment =
    "pigment { color rgb <0.00000, 0.100000, 0.873810>}";
inline constexpr std::string_view red_pigment =
    "pigment { color rgb  <0.952540,0.000000,0.000000>}";

// The cylinder runs from position - 8 direction to position + 8 direction;
// the sphere sits at position - cap_factor direction, just past the tail.
inline constexpr long double rod_factor = 8;
inline constexpr long double cap_factor = 8.15f;  // 8.1499996185302734375

// The nine coordinates of the glyph of one site, in the order they are
// written: the cylinder's ends A and B, then the sphere's centre C.
inline constexpr int glyph_fields = 9;
inline void glyph_coordinates(const long double* const position[3],
                              const long double* const direction[3],
                              long double fields[glyph_fields]) {
  for (int i = 0; i < 3; ++i) {
    long double p = *position[i], d = *direction[i];
    long double t = rod_factor * d;
    fields[i] = p - t;
    fields[3 + i] = p + t;
    fields[6 + i] = p - cap_factor * d;
  }
}

// The most text a glyph takes; a glyph is 485 or 486 bytes.
inline constexpr std::size_t max_glyph_size = 512;

// Writes the twelve records of the glyph of one site. The site's values are
// read where they are stored, not from copies made just before the call: an
// 80-bit value stored and at once loaded again waits for the store.
void write_glyph(scene_writer& w, const long double* const position[3],
                 const long double* const direction[3], cylinder_colour colour);

}  // namespace rodscene
