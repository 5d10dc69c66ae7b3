// A picture of rods, from arrays: the renderer's one entry. Everything is
// in the configuration's frame; colours are linear.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "anti_aliasing.hpp"

namespace rodscene::render {

struct rgb {
  double r = 0, g = 0, b = 0;
};

// n rods from ends[6 i] to ends[6 i + 3], each with a colour (3 a rod),
// a finish (ambient, diffuse: 2 a rod) and whether it is faint; n caps
// (or none) at caps[3 i]; m thin edges from edges[6 j].
struct rods_input {
  const double* ends = nullptr;
  std::size_t count = 0;
  double radius = 0;
  double faint_radius = 0;  // the faint rods' radius: thinner, less haze
  const double* colours = nullptr;
  const double* finishes = nullptr;
  const std::uint8_t* faint = nullptr;  // null: none is
  bool round = false;
  const double* caps = nullptr;  // null: no caps
  double cap_radius = 0;
  rgb cap_colour;
  const double* edges = nullptr;
  std::size_t edge_count = 0;
  double edge_radius = 0;
  rgb edge_colour;
};

inline constexpr double faint_transmit = 0.85;
inline constexpr double default_ambient = 0.12, default_diffuse = 0.8;

// The picture as bytes, row by row from the top: r, g, b (and alpha when
// the light's background is transparent) a pixel; unfinished when stop
// gives up.
std::vector<std::uint8_t> render_rods(const rods_input& in, const view& v,
                                      const lighting& light, quality q,
                                      int threads, stopper& stop);

}  // namespace rodscene::render
