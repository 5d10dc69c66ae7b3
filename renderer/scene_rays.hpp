// What the rod scene's ray functions share: a ray's context beside
// Embree's, and the nearest solid surface.
#pragma once

#include "rod_scene.hpp"

namespace rodscene::render {

struct gathered;
struct packet;

// A ray in double precision beside Embree's single-precision copy, and
// what it found so far.
struct context {
  RTCIntersectContext base;
  const ray* q;
  double tmin, tmax;
  hit best;
  unsigned index;
  gathered* kept;
  packet* lanes;  // rays traced together, or none
};

// The nearest solid surface's intersection for the rays of a packet.
void intersect_lanes(const RTCIntersectFunctionNArguments* args);

// The shape of a part's primitive.
unsigned id_of(const part& p, unsigned prim);
// Embree's bound at or beyond t, rounded to single precision.
float beyond(double t);
RTCRay embree_ray(const ray& q, double tmin, double tmax);

// Whether shape i of a part meets q beyond tmin nearer than best (or as
// near, with a lower index); if so best and index become its.
bool nearer(const part& p, unsigned i, const ray& q, double tmin, hit& best,
            unsigned& index);
// The nearest solid surface beyond tmin.
bool nearest_solid(const rod_scene& s, const ray& q, double tmin, hit& h,
                   unsigned& index);
// The faint scene's intersection: every hit, gathered.
void gather(const RTCIntersectFunctionNArguments* args);

}  // namespace rodscene::render
