// The rods as Embree scenes of user geometry: Embree finds which shapes a
// ray may meet, and rod_hits solves each meeting exactly. The solid
// shapes and the faint ones are two scenes, so that shadow rays never
// look at faint shapes. Ties between shapes at the same distance go to the
// lower index, so the picture does not depend on how the hierarchy was
// built or on threads.
#pragma once

#include <embree3/rtcore.h>

#include <vector>

#include "rod_hits.hpp"

namespace rodscene::render {

// Some of the shapes as one Embree scene: its primitive k is shape
// ids[k] (shape k when ids is empty).
struct part {
  RTCScene scene = nullptr;
  const shape* shapes = nullptr;
  std::vector<unsigned> ids;
};

struct rod_scene {
  std::vector<shape> shapes;
  part solid, faint;
};

// A hit along a ray, and the shape it belongs to.
struct meeting {
  hit h;
  unsigned index = 0;
};

// The surfaces a ray takes at a time: most rays meet few faint ones, and
// a ray that meets more goes on from the last one taken.
inline constexpr int most_meetings = 8;

// The scenes of the shapes (moved into them); release with drop_scene.
void build_scene(rod_scene& out, std::vector<shape>&& shapes);
void drop_scene(rod_scene& s);

// The surfaces along q beyond tmin, nearest first, one at each distance
// (the lower index, then the first found of the shape's own), up to and
// with the nearest solid one: at most room of them (up to
// most_meetings), into out; how many.
// more is set when the list was cut short, before a solid surface, by its
// room: the rest lies beyond the last one.
int meetings(const rod_scene& s, const ray& q, double tmin, meeting* out,
             int room, bool& more);
// meetings beyond 0, the nearest solid surface given (null: none), as
// nearest_solids finds it for a packet's rays.
int meetings_with(const rod_scene& s, const ray& q, const meeting* solid,
                  meeting* out, int room, bool& more);

// The nearest solid surfaces of n rays (up to lanes_at_once) traced
// together, as meetings would find them in a scene without faint shapes;
// found[k] tells whether ray k meets any.
inline constexpr int lanes_at_once = 8;
void nearest_solids(const rod_scene& s, const ray* q, int n, meeting* out,
                    bool* found);

// Whether a solid shape lies on q between tmin and tmax (faint shapes
// cast no shadow).
bool blocked(const rod_scene& s, const ray& q, double tmin, double tmax);

}  // namespace rodscene::render
