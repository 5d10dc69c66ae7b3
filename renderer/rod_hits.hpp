// The shapes the renderer draws and where a ray meets them, solved in
// double precision near the shape: a ray's origin is first moved along it
// to its closest approach to the shape, so that the quadratic's roots do
// not lose the camera's distance in cancellation.
#pragma once

#include <cstdint>

#include "vec.hpp"

namespace rodscene::render {

// A rod from a to b of radius r: a closed cylinder with flat end discs,
// or a spherocylinder (round), with an optional cap sphere of its own
// material.
struct shape {
  vec a, axis, cap;  // axis: unit, from a towards the other end
  double length = 0;
  float r = 0, cap_r = 0;
  std::uint32_t material = 0;  // the rod's; the cap's is cap_material
  std::uint8_t flags = 0;
};

inline constexpr std::uint8_t round_ends = 1;
inline constexpr std::uint8_t has_cap = 2;
inline constexpr std::uint8_t faint = 4;

// The shape of a rod from a to b of radius r, without a cap.
shape rod(vec a, vec b, float r, std::uint32_t material, std::uint8_t flags);
vec far_end(const shape& s);

// A ray p(t) = o + t d, with the part of a shape it met.
struct ray {
  vec o, d;
};

struct hit {
  double t = 0;
  vec normal;        // outward, unit
  bool cap = false;  // the cap sphere rather than the rod
};

// The most hits a ray can have with one shape: the side, the two ends
// and the cap, each twice.
inline constexpr int max_hits = 8;

// Every hit of the ray with the shape for t in (tmin, tmax), into out,
// in the order they are found (among hits at the same t, the first found
// counts); how many.
int all_hits(const shape& s, const ray& q, double tmin, double tmax, hit* out);

// The nearest hit of the ray with the shape for t in (tmin, tmax); false
// when there is none.
bool nearest_hit(const shape& s, const ray& q, double tmin, double tmax,
                 hit& out);

}  // namespace rodscene::render
