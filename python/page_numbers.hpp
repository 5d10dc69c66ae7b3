// The numbers the page of rodscene_render --html keeps of a frame's glyphs:
// its rods packed as 16-bit integers, and the extents that fit the named
// views' cameras to the frame. Each is computed with the very operations,
// in the very order, of the render path's numpy code (page.py's quantise
// and frame_rods, camera.py's chunk_extent), so the results are the same
// bits; the render path falls back on that code without the module.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rodscene {

// A frame's glyphs as the render path holds them: n rows of the cylinder's
// ends A and B (6 values), n rows of the cap's centre (3), n teal flags.
struct glyph_rows {
  const double* ends;
  const double* caps;
  const bool* teal;
  std::size_t count;
};

// A rod is its centre, its half axis and its cap's offset from the tail,
// each quantised as origin + step x q, q a 16-bit integer with |q| at most
// quantise_levels; the decode table holds origin (3) and step of each.
inline constexpr int rod_fields = 9;
inline constexpr int decode_fields = 12;
inline constexpr double quantise_levels = 32767;

// Fills rods (count x rod_fields, teal rods first, each group in its
// order) and the decode table; returns how many rods are teal.
std::size_t pack_rods(const glyph_rows& g, std::int16_t* rods,
                      double table[decode_fields]);

// The extents of a frame's points (each glyph's A, B and cap centre) as a
// camera with axes right, up and forward (9 values) and perspective
// slopes tan[2] sees them: the lowest and highest place across, upward and
// in depth, then the outermost rays max(a + pad - t z) and
// max(-a + pad - t z) across and upward. No point: the lows are +inf, the
// highs and rays -inf, which leave any other frame's extents as they are.
inline constexpr int extent_fields = 10;
void frame_extents(const glyph_rows& g, const double axes[9],
                   const double tan[2], double pad, double out[extent_fields]);

}  // namespace rodscene
