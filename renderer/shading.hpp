// The colour a ray brings back, in linear light, as the render path's
// scene lights its rods: an ambient and a diffuse share per material, a
// key light casting hard shadows and a fill light casting none, no
// attenuation and no highlight, each surface's normal turned to the eye.
// A faint material lets most light through and casts no shadow; a ray
// goes on through such surfaces until what it still brings back is less
// than a level of an 8-bit picture.
#pragma once

#include <vector>

#include "rod_scene.hpp"

namespace rodscene::render {

struct material {
  float r = 0, g = 0, b = 0;  // linear
  float ambient = 0, diffuse = 0, transmit = 0;
};

struct lighting {
  vec key, fill;  // the lights' places
  double key_power = 1.0, fill_power = 0.45;
  bool key_shadows = true;  // off in even light, which comes from the eye
  vec background;
  bool transparent = false;  // the background lets everything through
};

// A sample's linear colour, and how much of it is covered (1 when the
// picture has a background).
struct sample {
  double r = 0, g = 0, b = 0, a = 0;
};

inline constexpr double least_weight = 1.0 / 255;
// The material of a cap, solid or faint, and of the box's edges.
inline constexpr unsigned cap_solid = 0, cap_faint = 1, edge_material = 2;
inline constexpr unsigned first_rod_material = 3;

struct world {
  const rod_scene& scene;
  const std::vector<material>& materials;
  const lighting& light;
};

sample shade(const world& w, const ray& q);
// The colour of a ray whose nearest solid surface (or none) is known; the
// faint surfaces before it, if any, are gathered as shade gathers them.
sample shade_first(const world& w, const ray& q, const meeting* first);

}  // namespace rodscene::render
