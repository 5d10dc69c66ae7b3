// The rods as one Embree scene of user geometry: Embree finds which
// shapes a ray may meet, and rod_hits solves each meeting exactly. Ties
// between shapes at the same distance go to the lower index, so the
// picture does not depend on how the hierarchy was built or on threads.
#pragma once

#include <embree3/rtcore.h>

#include <vector>

#include "rod_hits.hpp"

namespace rodscene::render {

struct rod_scene {
  RTCScene scene = nullptr;
  std::vector<shape> shapes;
};

// The scene of the shapes (moved into it); release with drop_scene.
void build_scene(rod_scene& out, std::vector<shape>&& shapes);
void drop_scene(rod_scene& s);

// The nearest hit along q beyond tmin, and which shape it is; false when
// the ray leaves the scene.
bool trace(const rod_scene& s, const ray& q, double tmin, hit& h,
           unsigned& index);

// Whether a solid shape lies on q between tmin and tmax (faint shapes
// cast no shadow).
bool blocked(const rod_scene& s, const ray& q, double tmin, double tmax);

}  // namespace rodscene::render
